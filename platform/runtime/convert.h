// Conversions between the runtime's kinds, with the runtime's rules.
//
// Numbers in text are read and written in the project's one locale, never
// the process's: the decimal point is ".", there is no digit grouping, an
// exponent is written "E" (read "E", "e", "D" or "d"), and "&H" or "&O"
// introduce hexadecimal and octal integers. Surrounding blanks (and tabs)
// are allowed around a number; "1,000" is not a number.
//
// To Integer, Long and Byte a fraction rounds to the nearest whole number
// and halves to the even one (2.5 -> 2, 3.5 -> 4, -2.5 -> -2); a result
// outside the kind's range raises 6 "Overflow". Text that is not a number
// raises 13 "Type mismatch", as does an array or an object. Null raises
// 94 "Invalid use of Null" for every conversion here (IsNumeric of Null is
// False). Empty is 0, "" and False. True is -1.
//
// Format (format.h) rounds halves away from zero instead.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/runtime/datetime.h"
#include "platform/runtime/variant.h"

namespace platform {

int16_t cInt(const Variant& v);
int32_t cLng(const Variant& v);
uint8_t cByte(const Variant& v);
float cSng(const Variant& v);
double cDbl(const Variant& v);
// True or False from "True"/"False" in any case (surrounding blanks
// allowed) or from a number or numeric text (non-zero is True).
bool cBool(const Variant& v);
// Text of a value: numbers as below (numberText), Booleans "True" and
// "False", dates in the general date form (datetime.h), Empty "".
std::string cStr(const Variant& v);
// A date from a date, a number (the serial) or text (parseDate); other text
// raises 13.
Date cDate(const Variant& v);

// Rounding to the nearest whole number, halves to even.
double roundHalfEven(double x);
// A double to Long or Integer with the rounding above and error 6.
int32_t toLong(double x);
int16_t toInteger(double x);

// Int (the largest whole number not above x) and Fix (x without its
// fraction): Int(-2.5) = -3, Fix(-2.5) = -2.
double intPart(double x);
double fix(double x);

// The number a whole text stands for in the fixed locale (see above), or
// nothing. "" and a lone sign or point are no number.
std::optional<double> parseNumber(std::string_view text);
// Text to Double; error 13 when the text is not a number.
double textToDouble(std::string_view text);

// IsNumeric: numbers, Booleans, Empty and numeric text are numeric; Null,
// dates, arrays, objects and other text are not.
bool isNumeric(const Variant& v);

// Val: blanks, tabs and line feeds are skipped wherever they stand, then
// the longest leading number is read ("2abc" -> 2, " 2 5" -> 25,
// "1e3x" -> 1000, "&H1F" -> 31); no leading number gives 0.
double val(std::string_view text);

// The runtime's text of a double: at most 15 significant digits, no
// trailing zeros, exponent form ("1E+15", "1.5E-05") for exponents from 15
// up and below -4.
std::string numberText(double x);
// The same for a Single, with 7 significant digits.
std::string singleText(float x);

}  // namespace platform
