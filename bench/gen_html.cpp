// Wraps text lines (in any charset) into an HTML page with tags, entities, font
// declarations and a charset declaration, for the HTML benchmarks.
//   gen_html < text > page.html
#include <iostream>
#include <string>

int main() {
  std::ios::sync_with_stdio(false);
  std::cout << "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
               "charset=x-user-defined\"><title>Trang</title></head>\n<body>\n";
  std::string line;
  long n = 0;
  while (std::getline(std::cin, line)) {
    switch (n++ % 4) {
      case 0: std::cout << "<p><font face=\".VnTime\" size=3>" << line << "</font></p>\n"; break;
      case 1:
        std::cout << "<div style=\"font-family: .VnArial; color: #333\">" << line
                  << " &copy; &amp; <b>x</b></div>\n";
        break;
      case 2: std::cout << "<p class=\"c\">" << line << "<br></p>\n"; break;
      default: std::cout << "<!-- ghi ch\xFA -->" << line << " &#255;\n";
    }
  }
  std::cout << "</body></html>\n";
  return 0;
}
