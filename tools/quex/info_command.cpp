// quex info MODULE: what a module is and says about itself.
#include "commands.h"
#include "module_session.h"
#include "xml_text.h"

#include <algorithm>

namespace quex::tool {

int runInfo(const std::string& module, const char* childProgram, std::ostream& out,
            std::ostream& err) {
  XmlRuntime xml;
  traceToStandardError(0);
  HostServices host;
  ExtensionWrapper wrapper;
  if (!loadAndInitialise(wrapper, host, module, err, childProgram)) return kExitFailed;

  // The library file in both modes (a child-process module's path has no ".dll").
  out << "module:      " << wrapper.getDllPath() << (childProgram != nullptr ? ".dll" : "")
      << "\n";
  // The module runs out of process, in children of this program.
  if (childProgram != nullptr) out << "child:       " << childProgram << "\n";
  out << "generation:  "
      << (wrapper.isOlderGeneration() ? "older (tarnext_ exports)" : "current (qx_ exports)")
      << "\n";
  out << "optional:   ";
  std::vector<std::string> entries = wrapper.optionalEntries();
  if (entries.empty()) out << " none";
  for (const std::string& entry : entries) out << " " << entry;
  out << "\n";
  out << "interaction: " << (wrapper.supportsInteraction() ? "yes" : "no") << "\n";
  // The module's own bulk fetch; out of process the records travel in
  // batches whether or not it has one.
  const bool bulkFetch = std::find_if(entries.begin(), entries.end(), [](const std::string& e) {
                           return e.find("bulkFetch") != std::string::npos;
                         }) != entries.end();
  out << "bulk fetch:  " << (bulkFetch ? "yes" : "no") << "\n";
  std::string information = wrapper.getModuleInformation();
  if (information.empty()) {
    out << "module information: none\n";
  } else {
    out << "module information:\n" << indentXml(information);
  }

  int errorCode = 0;
  QXStatus status = wrapper.qx_cleanup(&errorCode);
  wrapper.unload();
  if (status != QX_OK) {
    reportFailure(wrapper, nullptr, "qx_cleanup", status, errorCode, err);
    return kExitFailed;
  }
  return kExitOk;
}

} // namespace quex::tool
