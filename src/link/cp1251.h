#pragma once
#include <string>

#include <QString>

// Windows code page 1251: the single-byte text of the devices, the event log and the route image.
QString Cp1251ToQString(const std::string& bytes);
QString Cp1251ToQString(const char* data, size_t size);
// Characters without a CP1251 form become '?'.
std::string QStringToCp1251(const QString& text);
