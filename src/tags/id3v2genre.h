#pragma once
// The genre (TCON) rules of ID3v2.3 and ID3v2.4, in one place.
//
// ID3v2.3: the text may open with references into the ID3v1 genre list,
// "(n)", or "(RX)" (remix) and "(CR)" (cover), as in "(51)(39)"; the text
// after them refines them, as in "(4)Eurodisco"; "((" where a reference could
// stand is a literal "(", as in "((I can't say)". A bare number, "17", is
// read as a reference too, as writers of ID3v2.4 habits do.
// ID3v2.4: each genre is a value of its own (values are separated by zero
// bytes): a number, "RX", "CR" or a name.

#include <string>
#include <string_view>
#include <vector>

namespace id3v2 {

// The genre to show for a TCON text in ID3v2.3 form: the refinement when
// there is one, else the names of the references joined with "/", else the
// text itself.
std::string GenreFromText(std::string_view text);

// The TCON text that reads back as the typed genre: a genre that begins
// with "(" is escaped.
std::string GenreText(std::string_view genre);

// The ID3v2.4 TCON values for a TCON text in ID3v2.3 form: each reference
// a value of its own ("17", "RX", "CR"), then the refinement, unescaped.
std::vector<std::string> GenreValuesFromText(std::string_view text);

// The ID3v2.3 TCON text for the values of a TCON frame: numbers, "RX" and
// "CR" become references, names are joined with "/" after them. A single
// value that is a name stays as it is.
std::string GenreTextFromValues(const std::vector<std::string>& values);

}  // namespace id3v2
