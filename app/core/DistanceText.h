#pragma once

#include <optional>
#include <string>

// The texts of the distance dialog.

// "N 52°30'00.00\"" or "S ..." (UTF-8): degrees "%02.0lf", minutes "%02.0lf"
// and seconds "%05.02lf" of the position rounded to hundredths of a second.
std::string FormatLatitudeDms(double latitude);
// "E 004°30'00.00\"" or "W ...": the same with three-digit degrees.
std::string FormatLongitudeDms(double longitude);

// "%3.2lf Kilometres" of s/1000 from 1000 m on, "%3.0lf Metres" below that
// and for a distance that is not a number.
std::string FormatDistance(double metres);
// "%3.1lf".
std::string FormatAzimuth(double degrees);
// The same, or kNoAzimuth where there is none (coincident positions).
std::string FormatAzimuth(const std::optional<double>& degrees);
inline constexpr const char* kNoAzimuth = "none";
