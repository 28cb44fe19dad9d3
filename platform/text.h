// Text helpers with Windows-1252 letter case rules.
#pragma once

#include <string>

namespace zev {

// Upper and lower case of one Windows-1252 character (accented letters included).
unsigned char UpCase1252(unsigned char c);
unsigned char LowCase1252(unsigned char c);

std::string UpperCase(std::string s);
std::string LowerCase(std::string s);
// Equal ignoring letter case.
bool SameText(const std::string& a, const std::string& b);

}  // namespace zev
