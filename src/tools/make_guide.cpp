// velora-make-guide SOURCE PAGE: writes the user guide's text as an HTML page (run by the
// build; the page is installed with the program and opened by F1).
#include <fstream>
#include <iostream>
#include <sstream>

#include "guide_html.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: velora-make-guide SOURCE PAGE\n";
    return 2;
  }
  std::ifstream source(argv[1], std::ios::binary);
  if (!source) {
    std::cerr << "velora-make-guide: cannot read " << argv[1] << "\n";
    return 1;
  }
  std::ostringstream text;
  text << source.rdbuf();
  std::ofstream page(argv[2], std::ios::binary | std::ios::trunc);
  page << velora::tools::GuideHtml(text.str());
  page.close();
  if (!page) {
    std::cerr << "velora-make-guide: cannot write " << argv[2] << "\n";
    return 1;
  }
  return 0;
}
