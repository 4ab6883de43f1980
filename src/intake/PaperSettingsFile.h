#pragma once

#include <QString>

#include <optional>

// The paper settings file "Config/All_the_same.vellora": UTF-16LE lines
// holding the paper width and height in millimetres (the hidden printer
// choices the file can also hold are never selected, so never written).
struct PaperSizeText
{
    QString width;
    QString height;
};

std::optional<PaperSizeText> ReadPaperSettings();
bool WritePaperSettings(const PaperSizeText &paper);
