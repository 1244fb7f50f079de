// The project templates of `quex new`, embedded at build time from
// tools/quex/templates; "@NAME@" stands for the module's name.
#ifndef QUEX_TOOLS_QUEX_TEMPLATES_H
#define QUEX_TOOLS_QUEX_TEMPLATES_H

namespace quex::tool {

extern const char* const kTemplate_reader_c;
extern const char* const kTemplate_reader_cpp;
extern const char* const kTemplate_transformer_c;
extern const char* const kTemplate_transformer_cpp;
extern const char* const kTemplate_sample_txt;
extern const char* const kTemplate_sample_csv;

} // namespace quex::tool

#endif // QUEX_TOOLS_QUEX_TEMPLATES_H
