// Forward declarations of the DOM types the XML service's public classes
// mention, so a host does not pull the whole DOM into every translation unit.
#ifndef QUEX_XML_XERCES_FWD_H
#define QUEX_XML_XERCES_FWD_H

#include <xercesc/util/XercesDefs.hpp>

XERCES_CPP_NAMESPACE_BEGIN
class DOMDocument;
class DOMElement;
class DOMNode;
class DOMNodeList;
class XercesDOMParser;
XERCES_CPP_NAMESPACE_END

#endif // QUEX_XML_XERCES_FWD_H
