#include "faces/DeskFolders.h"

#include "platform/Profile.h"
#include "settings/ReprintRules.h"

namespace fs = std::filesystem;

namespace {

// The desk keeps its frame template here (the print manager page's "相框文件").
const fs::path DeskSysIni = "Config/sys.ini";
const QString FrameSection = QStringLiteral("Photo_Frame_File");

fs::path InProgramFolder(const fs::path &program, const QString &setting)
{
    if (setting.isEmpty())
        return {};
    const fs::path path = setting.toStdString();
    return path.is_absolute() ? path : program / path;
}

} // namespace

DeskFolders ReadDeskFolders(const fs::path &programFolder)
{
    DeskFolders folders;
    folders.program = programFolder;
    folders.printed = programFolder / "Pic_R";
    folders.frameFile = InProgramFolder(
        programFolder,
        Profile::Read(programFolder / DeskSysIni, FrameSection, QStringLiteral("Code"), QString(), Profile::WholeValue));
    const StoredReprintRules rules = ReadReprintRulesFile(programFolder / ReprintRulesFile);
    folders.infoFolder = InProgramFolder(programFolder, rules.folder.value_or(QString()));
    return folders;
}

QString DeskFoldersProblem(const DeskFolders &folders)
{
    if (folders.program.empty())
        return QStringLiteral("未选择程序目录：请点“选择程序目录…”，选打印程序运行的目录。");
    if (!fs::is_directory(folders.printed))
        return QStringLiteral("程序目录中没有 Pic_R：请选打印程序运行的目录。");
    if (folders.infoFolder.empty())
        return QStringLiteral("未设置自动补打的信息文件目录：请在打印程序“系统设置”页的“自动补打设置”中选择并保存。");
    if (!fs::is_directory(folders.infoFolder))
        return QStringLiteral("信息文件目录不存在：") + QString::fromStdString(folders.infoFolder.string());
    return {};
}
