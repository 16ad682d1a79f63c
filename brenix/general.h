// Shared state and the reading of one configuration entry.
#pragma once

#include <QString>

// Which layout the configuration file describes: true when its "DDSB_1" section holds
// an entry, false otherwise. Set only by Form1::GetINIFileSettings.
extern bool DDSB1Present;

namespace General {

// The value of `key` in `section` of the profile file `filePath`: at most 126 bytes of
// it, blanks around it and one pair of quotes removed. When the file, the section or
// the key is missing or the value is empty, returns the no-value text instead: 128
// characters of code 0, which is neither empty nor a number.
QString GetINIString(const QString& section, const QString& key, const QString& filePath);

// True for the no-value text of GetINIString.
bool IsNoValue(const QString& text);

}  // namespace General
