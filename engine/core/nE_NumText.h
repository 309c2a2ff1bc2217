#pragma once
// Number <-> text for stored files, the same whatever the process locale:
// the C library's printf/atof family would follow LC_NUMERIC.

#include <string>

// printf "%.<precision>g".
std::string nE_FormatG(double value, int precision);
// printf "%.<decimals>f".
std::string nE_FormatFixed(double value, int decimals);
// atof: leading white space and sign allowed, stops at the first character
// that does not fit; 0 when nothing parses. *end (when given) is where it
// stopped, or `text` itself when nothing parsed. A null text reads as 0.
double nE_ParseFloat(const char* text, const char** end = nullptr);
// atoi: decimal, wrapping to 32 bits so that "4294967295" and "-1" read alike.
int nE_ParseInt(const char* text);
