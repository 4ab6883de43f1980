#include "tests/camera/CameraWindowRig.h"

#include "camera/ui/CEVFPictureBox.h"

#include <QTest>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

WindowRig::WindowRig(void (*prepare)(SimulatedCamera &)) : rig({}, prepare)
{
    if (!rig.session)
        return;
    window = std::make_unique<CameraShootDlg>(*rig.session);
    window->show();
    window->setWindowState(Qt::WindowNoState);
    window->resize(1000, 600);
    if (!QTest::qWaitFor([this] { return window->picture()->size() == QSize(800, 600); }, 5000))
        ADD_FAILURE() << "the window was not laid out at 1000 by 600";
}

WindowRig::~WindowRig()
{
    window.reset();
}

QPushButton *WindowRig::button(int id) const
{
    return qobject_cast<QPushButton *>(window->control(id));
}

void WindowRig::click(int id) const
{
    button(id)->click();
}

bool WindowRig::waitForFrames(int more) const
{
    const int wanted = window->picture()->framesShown() + more;
    return QTest::qWaitFor([&] { return window->picture()->framesShown() >= wanted; }, 10000);
}

double OutlineShare(const QImage &picture, QRect outline, QRgb colour)
{
    int total = 0;
    int matching = 0;
    const auto look = [&](int x, int y) {
        ++total;
        if (picture.valid(x, y) && (picture.pixel(x, y) | 0xFF000000) == (colour | 0xFF000000))
            ++matching;
    };
    const int right = outline.left() + outline.width() - 1;
    const int bottom = outline.top() + outline.height() - 1;
    for (int x = outline.left(); x <= right; ++x) {
        look(x, outline.top());
        look(x, bottom);
    }
    for (int y = outline.top(); y <= bottom; ++y) {
        look(outline.left(), y);
        look(right, y);
    }
    return total ? double(matching) / total : 0;
}

HangGuard::HangGuard(const char *what, std::chrono::seconds limit)
{
    m_thread = std::thread([this, what, limit] {
        std::unique_lock lock(m_mutex);
        if (!m_done.wait_for(lock, limit, [this] { return m_finished; })) {
            std::fprintf(stderr, "HANG: %s did not end within %lld s\n", what, static_cast<long long>(limit.count()));
            std::fflush(stderr);
            std::_Exit(3);
        }
    });
}

HangGuard::~HangGuard()
{
    {
        std::lock_guard lock(m_mutex);
        m_finished = true;
    }
    m_done.notify_all();
    m_thread.join();
}
