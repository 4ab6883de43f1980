#pragma once

#include <QString>

#include <atomic>
#include <filesystem>
#include <functional>

// Picture numbers: a running number per composed photo, printed as its label,
// shown in the lists and used to find it for a reprint. Each photo's number is
// kept in Config/PictureNumber.ini under the photo's name cut before its first
// ".", so numbering resumes after a restart from the photos still listed.

// The last number given out; 0 at start. Raised by PictureNumberOf from any
// thread, advanced by NextPictureNumber under the composition lock.
inline std::atomic<int> PictureCounter{0};

inline const std::filesystem::path PictureNumberFile{"Config/PictureNumber.ini"};

// The key of a photo: its name cut before the first "." when that "." is not
// the first character, otherwise the whole name.
QString PictureNumberKey(const QString &fileName);

// The recorded number of a photo, 0 when none is recorded (or the file is
// missing); raises PictureCounter to it. A value that is not a number the
// program could have given (empty, letters, above 9999999) also gives 0 and
// leaves the counter, so it uses up no numbers; it is said once through the
// report.
int PictureNumberOf(const QString &fileName);

// Where an unusable recorded value is said (the run log and the hint line);
// none until the print manager sets it. May be called from any thread.
using PictureNumberReport = std::function<void(const QString &text)>;
void SetPictureNumberReport(PictureNumberReport report);

// Advances PictureCounter by one and returns the new number. The counter
// stays at 2147483647 once it got there instead of wrapping to a negative
// number, so a printed label never shows a negative or repeated small number.
int NextPictureNumber();

// The number NextPictureNumber would give now, without giving it: a
// composition prints it in the label and takes it (TakePictureNumber) only
// once the picture is saved, so a failed composition uses up no number.
int UpcomingPictureNumber();
// Raises PictureCounter to `number`, a number UpcomingPictureNumber gave.
void TakePictureNumber(int number);

// Records a photo's number under its key (key as PictureNumberKey gives it,
// or the name already cut by the caller); false when the file could not be written.
bool RecordPictureNumber(const QString &key, int number);

// Forgets every recorded number (the counter is left as it is).
void ForgetPictureNumbers();
