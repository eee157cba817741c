// The settings record: 37 registry values, one table used by the load, the
// save and the settings dialog alike.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

class TZarviktool;

struct SettingRef {
    std::wstring name;          // registry value name
    std::string* text;          // a text setting, or null
    std::int32_t* number;       // a number setting, or null
    const char* textDefault;    // default of a text setting
    std::int32_t numberDefault; // default of a number setting
};

// The record's 37 settings of this window, in registry order.
std::vector<SettingRef> SettingsRecord(TZarviktool& window);

// The registry key, below HKEY_LOCAL_MACHINE.
extern const wchar_t* const kSettingsKey;
