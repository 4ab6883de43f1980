// The only file that calls libgphoto2: the GphotoCalls over the real library.

#include "camera/sdk/GphotoCalls.h"

#include <gphoto2/gphoto2.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <cstring>

namespace {

// Keeps the result of the first failing step.
#define GP_TRY(call)                  \
    do {                              \
        const int result_ = (call);   \
        if (result_ < GP_OK)          \
            return result_;           \
    } while (0)

template <class T, int (*Free)(T *)> struct Owned
{
    T *p = nullptr;
    ~Owned()
    {
        if (p)
            Free(p);
    }
};
using OwnedList = Owned<CameraList, gp_list_free>;
using OwnedWidget = Owned<CameraWidget, gp_widget_free>;
using OwnedFile = Owned<CameraFile, gp_file_unref>;
using OwnedPorts = Owned<GPPortInfoList, gp_port_info_list_free>;

std::mutex g_abilitiesMutex;
CameraAbilitiesList *g_abilities = nullptr; // under g_abilitiesMutex, kept till the process ends

class LibGphoto final : public GphotoCalls
{
public:
    LibGphoto() : m_context(gp_context_new()) {}
    ~LibGphoto() override
    {
        close();
        gp_context_unref(m_context);
    }

    int detect(std::vector<GphotoCameraId> *cameras) override
    {
        // What gp_camera_autodetect does, on the drivers loaded once.
        std::lock_guard drivers(g_abilitiesMutex);
        GP_TRY(loadAbilities());
        OwnedPorts ports;
        GP_TRY(loadPorts(&ports.p));
        OwnedList list;
        GP_TRY(gp_list_new(&list.p));
        GP_TRY(gp_abilities_list_detect(g_abilities, ports.p, list.p, m_context));
        cameras->clear();
        for (int i = 0; i < gp_list_count(list.p); ++i) {
            const char *model = nullptr;
            const char *port = nullptr;
            gp_list_get_name(list.p, i, &model);
            gp_list_get_value(list.p, i, &port);
            GphotoCameraId id{model ? model : "", port ? port : "", false};
            if (id.port == "usb:")
                continue; // the general USB entry, not a device
            CameraAbilities found;
            const int index = gp_abilities_list_lookup_model(g_abilities, id.model.c_str());
            if (index >= 0 && gp_abilities_list_get_abilities(g_abilities, index, &found) == GP_OK)
                id.canCapture = (found.operations & GP_OPERATION_CAPTURE_IMAGE) != 0;
            cameras->push_back(std::move(id));
        }
        return GP_OK;
    }

    int open(const GphotoCameraId &id) override
    {
        close();
        std::lock_guard drivers(g_abilitiesMutex);
        GP_TRY(loadAbilities());
        const int model = gp_abilities_list_lookup_model(g_abilities, id.model.c_str());
        GP_TRY(model);
        CameraAbilities abilities;
        GP_TRY(gp_abilities_list_get_abilities(g_abilities, model, &abilities));
        OwnedPorts ports;
        GP_TRY(loadPorts(&ports.p));
        // Looking a path up also matches the general entries ("disk:" + any folder).
        const int port = gp_port_info_list_lookup_path(ports.p, id.port.c_str());
        GP_TRY(port);
        GPPortInfo info;
        GP_TRY(gp_port_info_list_get_info(ports.p, port, &info));
        Camera *camera = nullptr;
        GP_TRY(gp_camera_new(&camera));
        int result = gp_camera_set_abilities(camera, abilities);
        if (result == GP_OK)
            result = gp_camera_set_port_info(camera, info);
        if (result == GP_OK)
            result = gp_camera_init(camera, m_context);
        if (result < GP_OK) {
            gp_camera_free(camera);
            return result;
        }
        m_camera = camera;
        return GP_OK;
    }

    void close() override
    {
        if (!m_camera)
            return;
        gp_camera_exit(m_camera, m_context);
        gp_camera_unref(m_camera);
        m_camera = nullptr;
    }

    int readSetting(const std::string &name, GphotoSetting *setting) override
    {
        OwnedWidget widget;
        GP_TRY(single(name, &widget.p));
        CameraWidgetType type;
        GP_TRY(gp_widget_get_type(widget.p, &type));
        int readOnly = 0;
        gp_widget_get_readonly(widget.p, &readOnly);
        *setting = GphotoSetting{};
        setting->readOnly = readOnly != 0;
        switch (type) {
        case GP_WIDGET_RADIO:
        case GP_WIDGET_MENU:
            for (int i = 0; i < gp_widget_count_choices(widget.p); ++i) {
                const char *choice = nullptr;
                if (gp_widget_get_choice(widget.p, i, &choice) == GP_OK && choice)
                    setting->choices.emplace_back(choice);
            }
            [[fallthrough]];
        case GP_WIDGET_TEXT: {
            const char *value = nullptr;
            GP_TRY(gp_widget_get_value(widget.p, &value));
            setting->value = value ? value : "";
            return GP_OK;
        }
        case GP_WIDGET_TOGGLE: {
            int value = 0;
            GP_TRY(gp_widget_get_value(widget.p, &value));
            setting->value = std::to_string(value);
            return GP_OK;
        }
        case GP_WIDGET_RANGE: {
            float value = 0;
            GP_TRY(gp_widget_get_value(widget.p, &value));
            char text[32];
            std::snprintf(text, sizeof text, "%g", double(value));
            setting->value = text;
            return GP_OK;
        }
        default:
            return GP_ERROR_NOT_SUPPORTED;
        }
    }

    int writeSetting(const std::string &name, const std::string &value) override
    {
        OwnedWidget widget;
        GP_TRY(single(name, &widget.p));
        CameraWidgetType type;
        GP_TRY(gp_widget_get_type(widget.p, &type));
        if (type == GP_WIDGET_TOGGLE) {
            const int number = std::atoi(value.c_str());
            GP_TRY(gp_widget_set_value(widget.p, &number));
        } else if (type == GP_WIDGET_RANGE) {
            const float number = std::strtof(value.c_str(), nullptr);
            GP_TRY(gp_widget_set_value(widget.p, &number));
        } else {
            GP_TRY(gp_widget_set_value(widget.p, value.c_str()));
        }
        return gp_camera_set_single_config(m_camera, name.c_str(), widget.p, m_context);
    }

    int capture(GphotoFile *shot) override
    {
        if (!m_camera)
            return GP_ERROR_BAD_PARAMETERS;
        CameraFilePath path;
        std::memset(&path, 0, sizeof path);
        GP_TRY(gp_camera_capture(m_camera, GP_CAPTURE_IMAGE, &path, m_context));
        *shot = {path.folder, path.name};
        return GP_OK;
    }

    int capturePreview(std::string *frame) override
    {
        if (!m_camera)
            return GP_ERROR_BAD_PARAMETERS;
        OwnedFile file;
        GP_TRY(gp_file_new(&file.p));
        GP_TRY(gp_camera_capture_preview(m_camera, file.p, m_context));
        const char *data = nullptr;
        unsigned long size = 0;
        GP_TRY(gp_file_get_data_and_size(file.p, &data, &size));
        frame->assign(data ? data : "", data ? size : 0);
        return GP_OK;
    }

    int waitForEvent(int timeoutMs, GphotoEvent *event) override
    {
        if (!m_camera)
            return GP_ERROR_BAD_PARAMETERS;
        CameraEventType type = GP_EVENT_UNKNOWN;
        void *data = nullptr;
        GP_TRY(gp_camera_wait_for_event(m_camera, timeoutMs, &type, &data, m_context));
        *event = GphotoEvent{};
        if (type == GP_EVENT_TIMEOUT) {
            event->kind = GphotoEvent::Kind::Timeout;
        } else if (type == GP_EVENT_FILE_ADDED && data) {
            const auto *path = static_cast<const CameraFilePath *>(data);
            event->kind = GphotoEvent::Kind::FileAdded;
            event->file = {path->folder, path->name};
        } else {
            event->kind = GphotoEvent::Kind::Other;
        }
        std::free(data); // the caller owns the event's data
        return GP_OK;
    }

    int listFiles(std::vector<GphotoFile> *files) override
    {
        files->clear();
        if (!m_camera)
            return GP_ERROR_BAD_PARAMETERS;
        // libgphoto2 keeps the folders it listed; only a driver's events mark
        // them stale, and a camera that is listed instead tells none.
        GP_TRY(gp_filesystem_reset(m_camera->fs));
        return listFolder("/", files, 0);
    }

    int fileSize(const GphotoFile &file, std::uint64_t *size) override
    {
        if (!m_camera)
            return GP_ERROR_BAD_PARAMETERS;
        CameraFileInfo info;
        GP_TRY(gp_camera_file_get_info(m_camera, file.folder.c_str(), file.name.c_str(), &info, m_context));
        *size = (info.file.fields & GP_FILE_INFO_SIZE) ? info.file.size : 0;
        return GP_OK;
    }

    int download(const GphotoFile &file, const std::string &target, const std::function<void(double)> &progress) override
    {
        if (!m_camera)
            return GP_ERROR_BAD_PARAMETERS;
        const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0)
            return GP_ERROR_OS_FAILURE;
        OwnedFile out;
        int result = gp_file_new_from_fd(&out.p, fd); // the file closes fd when freed
        if (result < GP_OK) {
            ::close(fd);
            return result;
        }
        Progress report{&progress, 0};
        gp_context_set_progress_funcs(m_context, &Progress::start, &Progress::update, nullptr, &report);
        result = gp_camera_file_get(m_camera, file.folder.c_str(), file.name.c_str(), GP_FILE_TYPE_NORMAL, out.p, m_context);
        gp_context_set_progress_funcs(m_context, nullptr, nullptr, nullptr, nullptr);
        if (result == GP_OK)
            progress(1.0); // drivers that report nothing still end at 100 %
        return result;
    }

    int deleteFile(const GphotoFile &file) override
    {
        if (!m_camera)
            return GP_ERROR_BAD_PARAMETERS;
        return gp_camera_file_delete(m_camera, file.folder.c_str(), file.name.c_str(), m_context);
    }

private:
    struct Progress
    {
        const std::function<void(double)> *report;
        float target;
        static unsigned int start(GPContext *, float target, const char *, void *data)
        {
            static_cast<Progress *>(data)->target = target;
            return 0;
        }
        static void update(GPContext *, unsigned int, float current, void *data)
        {
            const auto *self = static_cast<Progress *>(data);
            if (self->target > 0)
                (*self->report)(double(current) / double(self->target));
        }
    };

    // libgphoto2's drivers, loaded once for the whole process: each load opens
    // every driver library anew, which costs a tenth of a second and, in
    // some of them, memory that is never given back. Under g_abilitiesMutex.
    int loadAbilities()
    {
        if (g_abilities)
            return GP_OK;
        CameraAbilitiesList *abilities = nullptr;
        GP_TRY(gp_abilities_list_new(&abilities));
        if (const int result = gp_abilities_list_load(abilities, m_context); result < GP_OK) {
            gp_abilities_list_free(abilities);
            return result;
        }
        g_abilities = abilities;
        return GP_OK;
    }

    // The ports are listed anew each time: a camera plugged in since is a new USB device.
    static int loadPorts(GPPortInfoList **ports)
    {
        GP_TRY(gp_port_info_list_new(ports));
        return gp_port_info_list_load(*ports);
    }

    int single(const std::string &name, CameraWidget **widget)
    {
        if (!m_camera)
            return GP_ERROR_BAD_PARAMETERS;
        return gp_camera_get_single_config(m_camera, name.c_str(), widget, m_context);
    }

    // Depth-first; a camera's tree is shallow, the limit only guards against loops.
    int listFolder(const std::string &folder, std::vector<GphotoFile> *files, int depth)
    {
        if (!m_camera)
            return GP_ERROR_BAD_PARAMETERS;
        if (depth > 16)
            return GP_OK;
        OwnedList names;
        GP_TRY(gp_list_new(&names.p));
        GP_TRY(gp_camera_folder_list_files(m_camera, folder.c_str(), names.p, m_context));
        for (int i = 0; i < gp_list_count(names.p); ++i) {
            const char *name = nullptr;
            if (gp_list_get_name(names.p, i, &name) == GP_OK && name)
                files->push_back({folder, name});
        }
        gp_list_reset(names.p);
        GP_TRY(gp_camera_folder_list_folders(m_camera, folder.c_str(), names.p, m_context));
        for (int i = 0; i < gp_list_count(names.p); ++i) {
            const char *name = nullptr;
            if (gp_list_get_name(names.p, i, &name) != GP_OK || !name)
                continue;
            std::string child = folder;
            if (child.back() != '/')
                child += '/';
            child += name;
            GP_TRY(listFolder(child, files, depth + 1));
        }
        return GP_OK;
    }

    GPContext *m_context;
    Camera *m_camera = nullptr;
};

} // namespace

std::unique_ptr<GphotoCalls> MakeGphotoCalls()
{
    return std::make_unique<LibGphoto>();
}

std::string GphotoResultText(int result)
{
    const char *text = gp_result_as_string(result);
    return text ? text : "";
}
