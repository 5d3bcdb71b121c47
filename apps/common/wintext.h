// Texts of records and files are Windows-1252 bytes; the window's controls hold QStrings. These two
// convert at that boundary. Every byte has a character (the five bytes that code page leaves free
// stand for the control characters of the same number), so bytes survive a round trip; a
// character the code page lacks becomes '?'.
#pragma once

#include <QString>

#include <string>

namespace appcommon {

QString FromWinText(const std::string& bytes);
std::string ToWinText(const QString& text);

}  // namespace appcommon
