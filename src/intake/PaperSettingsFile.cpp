#include "PaperSettingsFile.h"

#include "Utf16File.h"

namespace {

const std::filesystem::path kPaperFile = "Config/All_the_same.vellora";

// A reader takes the first blank-delimited word of each line.
QString FirstWord(const QString &line)
{
    return line.trimmed().section(QLatin1Char(' '), 0, 0);
}

} // namespace

std::optional<PaperSizeText> ReadPaperSettings()
{
    const std::optional<QStringList> lines = Utf16File::ReadLines(kPaperFile);
    if (!lines || lines->isEmpty())
        return std::nullopt;
    return PaperSizeText{FirstWord(lines->value(0)), FirstWord(lines->value(1))};
}

bool WritePaperSettings(const PaperSizeText &paper)
{
    return Utf16File::WriteText(kPaperFile, paper.width + QLatin1Char('\n') + paper.height + QLatin1Char('\n'));
}
