#include "desk/SysValues.h"

#include "platform/Profile.h"

namespace {

const std::filesystem::path kSysFile = "Config/LOG/Sys.ini";

} // namespace

QString ReadSysValue(const QString &section, const QString &key)
{
    return Profile::Read(kSysFile, section, key, QStringLiteral("Error"), Profile::WholeValue);
}

void WriteSysValue(const QString &section, const QString &key, const QString &value)
{
    Profile::Write(kSysFile, section, key, value);
}

bool SysFileExists()
{
    std::error_code error;
    return std::filesystem::exists(kSysFile, error);
}
