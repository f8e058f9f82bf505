// How the languages written in Latin-1's letters (French, Spanish, Portuguese, Italian,
// Catalan, Galician, German, Dutch, the Nordic languages, English) follow one letter by the
// next: what tells a word of theirs from a legacy form's letters carried as Latin-1 (Juleøen,
// Norwegian, and Ardeøche, VNI's Ardèche).
#pragma once

#include <optional>
#include <string_view>

namespace ts {

// How unlikely a word (UTF-8) is letter by letter in the likeliest family of those languages
// (Romance; German, Dutch and English; Nordic): the sum over its letters, and its end, of
// -log10 of that letter after the two before it in the language of the family that writes it
// likeliest, in sixteenths.  ASCII signs and digits (Deux-Sèvres, l'Isère) split it into words
// scored each alone; none for a word with any other character (ő, a sign beyond ASCII).
std::optional<int> latinUnlikelihood(std::string_view word);

}  // namespace ts
