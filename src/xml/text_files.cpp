// Text files read and written whole: a document file is read from its first
// '<' on, so a byte-order mark or leading blanks are dropped.
#include <quex/xml/QXXMLWrapper.h>

#include <fstream>
#include <iterator>

std::string QXXMLWrapper::loadStringFromFile(const char* path) {
  std::ifstream file(path, std::ios::in | std::ios::binary);
  if (!file) return std::string();
  std::string kept;
  char c = 0;
  while (file.get(c)) {
    if (c == '<') {
      kept.push_back(c);
      kept.append(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
      break;
    }
  }
  kept.push_back('\0'); // the stream's end-of-string marker counts in the length
  return kept;
}

void QXXMLWrapper::saveStringToFile(const char* path, const char* text) {
  std::ofstream file(path, std::ios::out | std::ios::binary | std::ios::trunc);
  if (!file) return;
  file << text;
}
