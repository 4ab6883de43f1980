#include "intake/PaperSettingsFile.h"

#include "platform/DecimalText.h"
#include "platform/Utf16File.h"

namespace {

const std::filesystem::path kPaperFile = "Config/All_the_same.vellora";

} // namespace

std::optional<PaperSizeText> ReadPaperSettings()
{
    const std::optional<QStringList> lines = Utf16File::ReadLines(kPaperFile);
    if (!lines || lines->isEmpty())
        return std::nullopt;
    return PaperSizeText{FirstWord(lines->value(0)).toString(), FirstWord(lines->value(1)).toString()};
}

bool WritePaperSettings(const PaperSizeText &paper)
{
    return Utf16File::WriteText(kPaperFile, paper.width + QLatin1Char('\n') + paper.height + QLatin1Char('\n'));
}
