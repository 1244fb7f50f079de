// The process-wide XML runtime: library start and stop, and the UTF-8
// transcoder shared by every document.
#include "utf8.h"

#include <quex/xml/QXXMLWrapper.h>

#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/TransService.hpp>
#include <xercesc/util/UTFDataFormatException.hpp>
#include <xercesc/util/XMLUni.hpp>

#include <cstring>
#include <stdexcept>

XERCES_CPP_NAMESPACE_USE

namespace quex::xml {
namespace {

constexpr XMLSize_t kBlockSize = 256;

// Transcoders are XMemory objects: plain delete returns them to their manager.
std::unique_ptr<XMLTranscoder>& transcoderSlot() {
  static std::unique_ptr<XMLTranscoder> slot;
  return slot;
}

XMLTranscoder& transcoder() {
  XMLTranscoder* current = transcoderSlot().get();
  if (current == nullptr) throw std::logic_error("the XML runtime is not started");
  return *current;
}

} // namespace

void installTranscoder() {
  XMLTransService::Codes result = XMLTransService::Ok;
  std::unique_ptr<XMLTranscoder> made(XMLPlatformUtils::fgTransService->makeNewTranscoderFor(
      "UTF8", result, kBlockSize, XMLPlatformUtils::fgMemoryManager));
  transcoderSlot() = std::move(made);
}

void releaseTranscoder() noexcept { transcoderSlot().reset(); }

void appendUtf8(const XMLCh* text, std::string& out) {
  if (text == nullptr || *text == 0) return;
  XMLTranscoder& utf8 = transcoder();
  XMLSize_t remaining = XMLString::stringLen(text);
  const XMLCh* next = text;
  XMLByte block[kBlockSize];
  while (remaining > 0) {
    XMLSize_t eaten = 0;
    const XMLSize_t produced =
        utf8.transcodeTo(next, remaining, block, kBlockSize, eaten, XMLTranscoder::UnRep_RepChar);
    out.append(reinterpret_cast<const char*>(block), produced);
    if (eaten == 0) {
      // A unit the transcoder will not take (a lone surrogate): replace it so
      // the loop always advances.
      out.append("\xEF\xBF\xBD");
      eaten = 1;
    }
    next += eaten;
    remaining -= eaten;
  }
}

std::string toUtf8(const XMLCh* text) {
  std::string out;
  appendUtf8(text, out);
  return out;
}

Utf16Text::Utf16Text(const char* utf8) {
  const XMLSize_t length = std::strlen(utf8);
  units_ = std::make_unique<XMLCh[]>(length + 1);
  if (length == 0) {
    units_[0] = 0;
    return;
  }
  auto charSizes = std::make_unique<unsigned char[]>(length + 1);
  XMLSize_t eaten = 0;
  const XMLSize_t made = transcoder().transcodeFrom(reinterpret_cast<const XMLByte*>(utf8), length,
                                                    units_.get(), length, eaten, charSizes.get());
  // A sequence cut off at the end is left uneaten; refuse it rather than drop it.
  if (eaten != length) throw UTFDataFormatException(__FILE__, __LINE__, XMLExcepts::UTF8_FormatError);
  units_[made] = 0;
}

} // namespace quex::xml

void QXXMLWrapper::startup() {
  XMLPlatformUtils::Initialize(XMLUni::fgXercescDefaultLocale, nullptr, nullptr,
                               XMLPlatformUtils::fgMemoryManager);
  quex::xml::installTranscoder();
}

void QXXMLWrapper::shutdown() {
  quex::xml::releaseTranscoder();
  XMLPlatformUtils::Terminate();
}
