#pragma once

#include <QString>

#include <filesystem>

// The phone page's own settings, in Config/PhoneSeting.ini, section "Phone".
struct PhoneSettings
{
    int port = 8080;
    // The most copies one order may ask for.
    int maxCopies = 5;
    // Whether guests may browse every photo printed today, not only find theirs.
    bool gallery = false;
    // The event key every address of the page carries; made at the first start.
    QString eventKey;
};

inline const std::filesystem::path PhoneSettingsFile{"Config/PhoneSeting.ini"};

// Reads the settings; a missing or unusable value keeps its built-in one, and
// a missing event key is made and stored, so printed QR codes stay valid
// across restarts.
PhoneSettings LoadPhoneSettings();
bool SavePhoneSettings(const PhoneSettings &settings);

// 32 lower-case hex digits from the system's random source.
QString MakeEventKey();
// Keys as MakeEventKey makes them; anything else is not accepted.
bool IsEventKey(const QString &key);
