// The child's XML service, opened on first use: the library that holds it
// (quex-child-xml, beside the child) brings in the XML parser and its many
// libraries, whose loading would otherwise be most of the child's start.
#ifndef QUEX_TOOLS_QUEX_CHILD_XML_ON_DEMAND_H
#define QUEX_TOOLS_QUEX_CHILD_XML_ON_DEMAND_H

#include <quex/qx.h>

namespace quex::child::xml {

// The host table's document makers for a module. QX_ERR_XML when the
// service's library cannot be opened (said once on standard error).
QXStatus newDocument(const char* rootName, QXXML** document);
QXStatus documentFromContents(const char* text, QXXML** document);

// Starts the service now when the parser is already in the process: a module
// that links libquex uses the parser directly, so it must be ready before the
// module's first call. Cheap then, since the libraries are loaded.
void startIfParserLoaded();

// Stops the service if it was started; before the child returns from main.
void stop();

} // namespace quex::child::xml

#endif // QUEX_TOOLS_QUEX_CHILD_XML_ON_DEMAND_H
