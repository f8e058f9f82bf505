#include "ts/platform/options.hpp"

#include <cstring>

#include "ts/platform/messages.hpp"

namespace ts::platform {

std::string optionError(char* const argv[], const char* shortOptions, const option* longOptions) {
  const std::string word = optind > 0 ? argv[optind - 1] : "";
  auto said = [](const char* translated, const std::string& name) {
    return formatted(translated, name.c_str());
  };
  if (word.rfind("--", 0) == 0 && word.size() > 2) {
    const auto eq = word.find('=');
    const std::string name = word.substr(0, eq);
    if (optopt == 0) return said(tr("unknown option '%s'"), name);
    // The long option refused (as typed, perhaps shortened): an argument it lacks or one it
    // does not take.  Else the word was read before, and a short option after it failed.
    for (const option* o = longOptions; o != nullptr && o->name != nullptr; ++o)
      if (o->val == optopt && std::strncmp(o->name, name.c_str() + 2, name.size() - 2) == 0)
        return o->has_arg == no_argument ? said(tr("option '%s' takes no argument"), name)
                                         : said(tr("missing argument of '%s'"), name);
  }
  if (optopt > 0 && optopt < 128 && optopt != ':') {
    const char* at = std::strchr(shortOptions, optopt);
    const std::string flag = std::string("-") + static_cast<char>(optopt);
    if (at != nullptr && at[1] == ':') return said(tr("missing argument of '%s'"), flag);
    return said(tr("unknown option '%s'"), flag);
  }
  return said(tr("unknown option '%s'"), word);
}

CommandLine::CommandLine(std::string_view shared, const char* ownShort,
                         std::initializer_list<option> ownLong) {
  if (shared.find('f') != std::string_view::npos) {
    short_ += "f:";
    long_.push_back({"from", required_argument, nullptr, 'f'});
  }
  if (shared.find('t') != std::string_view::npos) {
    short_ += "t:";
    long_.push_back({"to", required_argument, nullptr, 't'});
  }
  short_ += "h";
  long_.push_back({"help", no_argument, nullptr, 'h'});
  if (shared.find('V') != std::string_view::npos) {
    short_ += "V";
    long_.push_back({"version", no_argument, nullptr, 'V'});
  }
  short_ += ownShort;
  long_.insert(long_.end(), ownLong.begin(), ownLong.end());
  long_.push_back({nullptr, 0, nullptr, 0});
}

int CommandLine::read(int argc, char** argv, SharedOptions& seen,
                      const std::function<void(int, const char*)>& own,
                      const std::function<void(const std::string&)>& refuse) const {
  auto once = [&](const char*& slot, const char* name) {
    if (slot != nullptr && std::strcmp(slot, optarg) != 0)
      refuse(formatted(tr("%s is given twice"), name));
    slot = optarg;
  };
  opterr = 0;
  optind = 1;
  for (int c; (c = getopt_long(argc, argv, short_.c_str(), long_.data(), nullptr)) != -1;) {
    switch (c) {
      case 'f': once(seen.from, "--from"); break;
      case 't': once(seen.to, "--to"); break;
      case 'h': seen.help = true; return optind;  // as asked first: nothing after it matters
      case 'V': seen.version = true; return optind;
      case '?': refuse(optionError(argv, short_.c_str(), long_.data())); break;
      default: own(c, optarg);
    }
  }
  return optind;
}

}  // namespace ts::platform
