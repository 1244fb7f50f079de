// Documents handed to the service by a module or a child are not trusted:
// nothing outside the text is opened, entity expansion and nesting are
// bounded, and each refusal leaves a handle whose operations answer QX_ERR_XML.
#include "common/scratch_name.h"
#include "xml_fixture.h"

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A file only the tests write, so a document that could read it would show it.
std::string secretFile() {
  static const std::string path = [] {
    std::string p = ::testing::TempDir() + "quex-xml-secret-" + processTag();
    std::ofstream(p) << "SECRET-CONTENT";
    return p;
  }();
  return path;
}

// A FIFO nobody writes: opening it for reading blocks until a writer comes.
class Fifo {
public:
  Fifo() : path_(::testing::TempDir() + "quex-xml-fifo-" + processTag()) {
    ::unlink(path_.c_str());
    EXPECT_EQ(::mkfifo(path_.c_str(), 0600), 0);
  }
  ~Fifo() { ::unlink(path_.c_str()); }
  // Lets a reader that is blocked in open() go on (it then reads end of file).
  void release() const {
    const int fd = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0) ::close(fd);
  }
  const std::string& path() const { return path_; }

private:
  std::string path_;
};

// "Billion laughs": nine levels of ten references each, 10^9 "lol"s from a
// few hundred bytes.
std::string billionLaughs() {
  std::string text = "<?xml version=\"1.0\"?>\n<!DOCTYPE lolz [\n <!ENTITY a \"lol\">\n";
  for (char level = 'b'; level <= 'j'; ++level) {
    text += " <!ENTITY " + std::string(1, level) + " \"";
    for (int i = 0; i < 10; ++i) text += "&" + std::string(1, static_cast<char>(level - 1)) + ";";
    text += "\">\n";
  }
  return text + "]>\n<lolz>&j;</lolz>";
}

// A 100 KB entity referenced 1,990 times, within the count of references:
// 200 MB once expanded, in an element's text, in an attribute, or as an
// attribute default copied onto every element.
std::string bigEntity(const std::string& where) {
  std::string references;
  for (int i = 0; i < 1990; ++i) references += where == "default" ? "<v/>" : "&e;";
  std::string text = "<!DOCTYPE r [<!ENTITY e \"" + std::string(100000, 'x') + "\">";
  if (where == "default") text += "<!ATTLIST v a CDATA \"&e;\">";
  text += "]>";
  if (where == "attribute") return text + "<r a=\"" + references + "\"/>";
  return text + "<r>" + references + "</r>";
}

std::string nested(size_t depth) {
  std::string text;
  text.reserve(depth * 7);
  for (size_t i = 0; i < depth; ++i) text += "<a>";
  for (size_t i = 0; i < depth; ++i) text += "</a>";
  return text;
}

struct Hostile {
  const char* what;
  std::string text;
};

// Parses on another thread; a parse that blocks is released and reported.
QXXML* parseGuarded(const std::string& text, const Fifo& fifo) {
  auto parsed = std::async(std::launch::async,
                           [&] { return QXXMLFactory::createDocumentFromContents(text.c_str()); });
  if (parsed.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
    ADD_FAILURE() << "the parse blocked";
    fifo.release();
  }
  return parsed.get();
}

} // namespace

TEST_F(XmlTest, HostileDocuments_AreRefusedWithoutOpeningAnythingOrExpandingWithoutBound) {
  const Fifo fifo;
  const std::string file = "file://" + secretFile();
  const std::vector<Hostile> cases = {
      {"external entity, file URL",
       "<!DOCTYPE r [<!ENTITY x SYSTEM \"" + file + "\">]><r>&x;</r>"},
      {"external entity, /etc/passwd", "<!DOCTYPE r [<!ENTITY x SYSTEM \"file:///etc/passwd\">]><r>&x;</r>"},
      {"external entity, plain path", "<!DOCTYPE r [<!ENTITY x SYSTEM \"" + secretFile() + "\">]><r>&x;</r>"},
      {"external entity, a FIFO", "<!DOCTYPE r [<!ENTITY x SYSTEM \"" + fifo.path() + "\">]><r>&x;</r>"},
      {"external entity, public id", "<!DOCTYPE r [<!ENTITY x PUBLIC \"-//x//y\" \"" + fifo.path() + "\">]><r>&x;</r>"},
      {"external entity in an attribute default",
       "<!DOCTYPE r [<!ENTITY x SYSTEM \"" + file + "\"><!ATTLIST r a CDATA \"&x;\">]><r/>"},
      {"external parameter entity",
       "<!DOCTYPE r [<!ENTITY % p SYSTEM \"" + fifo.path() + "\"> %p;]><r/>"},
      {"network entity", "<!DOCTYPE r [<!ENTITY x SYSTEM \"http://127.0.0.1:9/x\">]><r>&x;</r>"},
      {"billion laughs", billionLaughs()},
      {"a big entity, referenced often in text", bigEntity("text")},
      {"a big entity, referenced often in an attribute", bigEntity("attribute")},
      {"a big entity as an attribute default, copied often", bigEntity("default")},
      {"nesting beyond the limit", nested(10001)},
      {"nesting far beyond the limit", nested(100000)},
  };
  ASSERT_LT(billionLaughs().size(), 500u);
  for (const Hostile& hostile : cases) {
    SCOPED_TRACE(hostile.what);
    const auto started = std::chrono::steady_clock::now();
    ::testing::internal::CaptureStdout();
    QXXML* document = parseGuarded(hostile.text, fifo);
    ::testing::internal::GetCapturedStdout();
    const auto took = std::chrono::steady_clock::now() - started;
    ASSERT_NE(document, nullptr);
    QXXMLIterator* iterator = nullptr;
    EXPECT_EQ(document->getElementIterator(document->owner, "", &iterator), QX_ERR_XML);
    EXPECT_EQ(document->doc2string(document->owner, nullptr, 0, nullptr), QX_ERR_INVALID_OPERATION);
    EXPECT_LT(took, std::chrono::seconds(5)); // the expansion stops near its limit, not at 10^9
    document->dispose(document->owner);
  }
}

TEST_F(XmlTest, DocumentsWithinTheLimits_StillParseAndSerialise) {
  const Fifo fifo;
  // An external DTD is never loaded, so naming a FIFO neither blocks nor fails.
  const std::string ignoredDtd = "<!DOCTYPE r SYSTEM \"" + fifo.path() + "\"><r a=\"1\"/>";
  QXXML* document = parseGuarded(ignoredDtd, fifo);
  EXPECT_EQ(attributeOf(document, "a"), "1");
  document->dispose(document->owner);

  // Internal entities expand, within the limit: 100 + 100 * 10 references.
  std::string entities = "<!DOCTYPE r [<!ENTITY e \"ab\"><!ENTITY ten \"";
  for (int i = 0; i < 10; ++i) entities += "&e;";
  entities += "\">]><r v=\"";
  for (int i = 0; i < 100; ++i) entities += "&ten;";
  QXXML* expanded = parse((entities + "\"/>").c_str());
  std::string expected;
  for (int i = 0; i < 1000; ++i) expected += "ab";
  EXPECT_EQ(attributeOf(expanded, "v"), expected);

  // The memory a parse may take grows with its text: a large document of
  // nothing but empty elements and text, the densest tree per byte, parses.
  std::string dense = "<r>";
  for (int i = 0; i < 200000; ++i) dense += "<a/>b";
  QXXML* denseDocument = parse((dense + "</r>").c_str());
  QXXMLIterator* elements = nullptr;
  ASSERT_EQ(denseDocument->getElementIterator(denseDocument->owner, "a", &elements), QX_OK);

  QXXML* deep = parse(nested(10000).c_str());
  EXPECT_EQ(serialise(deep), declared(nested(9999).insert(3 * 9999, "<a/>")));
}

// A module may build a tree deeper than any parsed one; serialising it is
// refused instead of descending 100,000 calls.
TEST_F(XmlTest, BuiltDocumentNestedBeyondTheLimit_IsNotSerialised) {
  QXXML* document = newDocument("a");
  QXXML* leaf = document;
  for (int level = 1; level < 10000; ++level) leaf = addElement(leaf, "a");
  EXPECT_EQ(serialise(document), declared(nested(9999).insert(3 * 9999, "<a/>")));
  for (int level = 10000; level < 100000; ++level) leaf = addElement(leaf, "a");
  size_t needed = 0;
  EXPECT_EQ(document->doc2string(document->owner, nullptr, 0, &needed), QX_ERR_XML);
}
