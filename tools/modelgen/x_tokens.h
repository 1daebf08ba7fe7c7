// Token values of the binary .x encoding.
#pragma once

#include <cstdint>

namespace modelgen::xtoken {

constexpr std::uint16_t kName = 1;
constexpr std::uint16_t kString = 2;
constexpr std::uint16_t kInteger = 3;
constexpr std::uint16_t kGuid = 5;
constexpr std::uint16_t kIntegerList = 6;
constexpr std::uint16_t kFloatList = 7;
constexpr std::uint16_t kOpenBrace = 10;
constexpr std::uint16_t kCloseBrace = 11;
constexpr std::uint16_t kOpenParen = 12;
constexpr std::uint16_t kCloseParen = 13;
constexpr std::uint16_t kOpenBracket = 14;
constexpr std::uint16_t kCloseBracket = 15;
constexpr std::uint16_t kOpenAngle = 16;
constexpr std::uint16_t kCloseAngle = 17;
constexpr std::uint16_t kDot = 18;
constexpr std::uint16_t kComma = 19;
constexpr std::uint16_t kSemicolon = 20;
constexpr std::uint16_t kTemplate = 31;
constexpr std::uint16_t kWord = 40;
constexpr std::uint16_t kDword = 41;
constexpr std::uint16_t kFloat = 42;
constexpr std::uint16_t kDouble = 43;
constexpr std::uint16_t kChar = 44;
constexpr std::uint16_t kUchar = 45;
constexpr std::uint16_t kSword = 46;
constexpr std::uint16_t kSdword = 47;
constexpr std::uint16_t kVoid = 48;
constexpr std::uint16_t kLpstr = 49;
constexpr std::uint16_t kUnicode = 50;
constexpr std::uint16_t kCstring = 51;
constexpr std::uint16_t kArray = 52;

}  // namespace modelgen::xtoken
