// Characters of a UTF-8 input that a legacy destination cannot write: punctuation and
// symbols (– “ ” € ©) and letters of other languages.  They are copied as their UTF-8 bytes
// and counted (the default), dropped (-c, //IGNORE), or written in a close form
// (//TRANSLIT: "–" as "-", "€" as "EUR", "ñ" as "n"; "?" where there is none).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tsconv {

enum class Unwritable { kCopy, kDrop, kTransliterate };

class UnwritableFilter {
 public:
  explicit UnwritableFilter(Unwritable mode) : mode_(mode) {}

  // A new input begins; offsets count from its start.
  void startInput(const std::string& name);
  // Passes a piece of the input on to `out`, holding back a sequence cut by the piece's end.
  void feed(std::string_view piece, std::string& out);
  void finish(std::string& out);

  struct Example {
    std::uint32_t codePoint;
    std::uint64_t offset;
    std::string input;
  };
  std::uint64_t count() const { return count_; }
  const std::vector<Example>& examples() const { return examples_; }

 private:
  void scan(std::string_view bytes, bool final, std::string& out);

  Unwritable mode_;
  std::string pending_;
  std::string input_;
  std::uint64_t offset_ = 0;  // of the first byte of pending_ (or of the next piece)
  std::uint64_t count_ = 0;
  std::vector<Example> examples_;
};

// The line tsconv writes to standard error about characters copied as UTF-8.
std::string describeUnwritable(const UnwritableFilter& filter, std::string_view destination);

}  // namespace tsconv
