#include "options.h"

#include <cstdlib>

std::vector<std::string> SplitCommandLine(const std::string& line) {
  std::vector<std::string> args;
  std::string current;
  bool quoted = false;
  bool any = false;
  for (char c : line) {
    if (c == '"') {
      quoted = !quoted;
      any = true;
    } else if ((c == ' ' || c == '\t' || c == '\r' || c == '\n') && !quoted) {
      if (any) args.push_back(current);
      current.clear();
      any = false;
    } else {
      current += c;
      any = true;
    }
  }
  if (any) args.push_back(current);
  return args;
}

bool ParseManagerOptions(const std::vector<std::string>& args, ManagerOptions* options, std::string* error) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&](std::string* out) {
      if (i + 1 >= args.size()) {
        *error = arg + " needs a value";
        return false;
      }
      *out = args[++i];
      return true;
    };
    std::string text;
    if (arg == "--journal") {
      if (!value(&options->journal)) return false;
    } else if (arg == "--window-after") {
      if (!value(&text)) return false;
      options->windowAfterMs = std::atoi(text.c_str());
    } else if (arg == "--no-window") {
      options->noWindow = true;
    } else if (arg == "--replies") {
      if (!value(&text)) return false;
      for (const std::string& word : SplitCommandLine([&] {
             std::string spaced = text;
             for (char& c : spaced) if (c == ',') c = ' ';
             return spaced;
           }())) {
        options->replies.push_back(word == "busy" ? 85 : std::strtol(word.c_str(), nullptr, 0));
      }
    } else if (arg == "--known") {
      if (!value(&text)) return false;
      options->known.push_back(text);
    } else if (arg == "--busy-every") {
      if (!value(&text)) return false;
      options->busyEvery = std::atoi(text.c_str());
    } else if (arg == "--ready-event") {
      if (!value(&options->readyEvent)) return false;
    } else if (arg == "--notify-window") {
      if (!value(&text)) return false;
      options->notifyWindow = reinterpret_cast<void*>(std::strtoul(text.c_str(), nullptr, 16));
    } else {
      *error = "unknown argument " + arg;
      return false;
    }
  }
  return true;
}
