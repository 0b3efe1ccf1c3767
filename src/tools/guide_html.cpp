#include "guide_html.h"

#include <sstream>
#include <vector>

namespace velora::tools {

namespace {

std::string Escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

// The heading level of a line ("# " is 1), 0 for no heading.
int HeadingLevel(const std::string& line) {
  size_t level = 0;
  while (level < line.size() && line[level] == '#') ++level;
  return level >= 1 && level <= 3 && line.size() > level && line[level] == ' '
             ? static_cast<int>(level)
             : 0;
}

// Gathers the lines of a paragraph or list item into one text.
class Block {
 public:
  void Add(const std::string& line) {
    if (!text_.empty()) text_ += ' ';
    text_ += line;
  }
  bool Empty() const { return text_.empty(); }
  std::string Take() {
    std::string text = InlineHtml(text_);
    text_.clear();
    return text;
  }

 private:
  std::string text_;
};

}  // namespace

std::string InlineHtml(const std::string& line) {
  std::string out;
  bool code = false;
  bool strong = false;
  std::string run;
  const auto flush = [&] {
    out += Escape(run);
    run.clear();
  };
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '`') {
      flush();
      out += code ? "</code>" : "<code>";
      code = !code;
    } else if (!code && line.compare(i, 2, "**") == 0) {
      flush();
      out += strong ? "</strong>" : "<strong>";
      strong = !strong;
      ++i;
    } else {
      run += line[i];
    }
  }
  flush();
  // An unclosed mark ends with the line rather than swallowing the rest of the page.
  if (code) out += "</code>";
  if (strong) out += "</strong>";
  return out;
}

std::string GuideHtml(const std::string& text) {
  std::string title;
  std::string body;
  Block paragraph;
  Block item;
  bool inList = false;
  const auto endParagraph = [&] {
    if (!paragraph.Empty()) body += "<p>" + paragraph.Take() + "</p>\n";
  };
  const auto endItem = [&] {
    if (!item.Empty()) body += "<li>" + item.Take() + "</li>\n";
  };
  const auto endList = [&] {
    endItem();
    if (inList) body += "</ul>\n";
    inList = false;
  };

  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find_first_not_of(' ') == std::string::npos) {
      endParagraph();
      endList();
      continue;
    }
    if (const int level = HeadingLevel(line)) {
      endParagraph();
      endList();
      const std::string heading = line.substr(static_cast<size_t>(level) + 1);
      if (title.empty()) title = heading;
      const std::string tag = "h" + std::to_string(level);
      body += "<" + tag + ">" + InlineHtml(heading) + "</" + tag + ">\n";
    } else if (StartsWith(line, "- ")) {
      endParagraph();
      endItem();
      if (!inList) body += "<ul>\n";
      inList = true;
      item.Add(line.substr(2));
    } else if (inList && StartsWith(line, "  ")) {
      item.Add(line.substr(line.find_first_not_of(' ')));
    } else {
      endList();
      paragraph.Add(line);
    }
  }
  endParagraph();
  endList();

  return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
         "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>" +
         Escape(title) +
         "</title>\n<style>\nbody { font-family: sans-serif; line-height: 1.5; max-width: 46em; "
         "margin: 2em auto; padding: 0 1em; }\ncode { background: #eeeeee; padding: 0 0.2em; "
         "}\n</style>\n</head>\n<body>\n" +
         body + "</body>\n</html>\n";
}

}  // namespace velora::tools
