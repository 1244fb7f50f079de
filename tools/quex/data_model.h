// Data model documents: made from CSV columns for the input, read from the
// module for the output. Reading goes through the XML service of a QXHost,
// the same one the module gets.
#ifndef QUEX_TOOLS_QUEX_DATA_MODEL_H
#define QUEX_TOOLS_QUEX_DATA_MODEL_H

#include "csv_table.h"

#include <quex/qx.h>

#include <string>
#include <vector>

namespace quex::tool {

// <DataModel><Fields><Field name="..." storage="..."/>...</Fields></DataModel>
std::string makeDataModel(const std::vector<csv::Column>& columns);

// The Field elements of `document`, in order, with their name and storage.
// False with a reason for a document that is not well-formed, a field
// without a name, or a storage word outside the vocabulary.
bool readDataModel(QXHost* host, const std::string& document, std::vector<csv::Column>& columns,
                   std::string& error);

} // namespace quex::tool

#endif // QUEX_TOOLS_QUEX_DATA_MODEL_H
