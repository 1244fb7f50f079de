// services_probe: a test module that calls every member of every table the
// host gives it and writes down what it saw, one line per call. The host reads
// those lines back as the output records of any component (one value each), so
// each observation travels host -> module -> callback -> host object and back.
#include <quex/qx.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<std::string> observations;

struct Component {
  QXContext* context = nullptr;
  QXChannel* channel = nullptr;
  size_t nextObservation = 0; // 1-based index of the current output record
};

void note(const std::string& line) { observations.push_back(line); }

std::string said(const char* member, QXStatus status, int errorCode) {
  return std::string(member) + " status=" + std::to_string(status) +
         " errorCode=" + std::to_string(errorCode);
}

// Asks once with no room, then again with the size the host asked for.
template <typename Call>
std::string fetched(const char* member, Call&& call) {
  size_t needed = 0;
  int errorCode = -1;
  QXStatus status = call(nullptr, 0, &needed, &errorCode);
  if (status != QX_ERR_INSUFFICIENT_BUFFER) return said(member, status, errorCode);
  std::vector<char> buffer(needed, '#');
  errorCode = -1;
  status = call(buffer.data(), buffer.size(), &needed, &errorCode);
  std::string line = said(member, status, errorCode) + " needed=" + std::to_string(needed);
  if (status == QX_OK) line += " text=" + std::string(buffer.data());
  return line;
}

using XmlText = QXStatus (*)(void*, char*, size_t, size_t*);
std::string xmlText(QXXML* xml, XmlText member) {
  size_t needed = 0;
  if (member(xml->owner, nullptr, 0, &needed) != QX_ERR_INSUFFICIENT_BUFFER) return "?";
  std::vector<char> buffer(needed);
  const QXStatus status = member(xml->owner, buffer.data(), buffer.size(), &needed);
  return status == QX_OK ? std::string(buffer.data()) : "status " + std::to_string(status);
}

void probeHost(QXHost* host) {
  note(fetched("host.getHostInformation", [&](char* b, size_t s, size_t* n, int* e) {
    return host->getHostInformation(host->owner, b, s, n, e);
  }));
  QXXML* document = nullptr;
  QXStatus status = host->createNewDocument(host->owner, "ProbeRoot", &document);
  note("host.createNewDocument status=" + std::to_string(status) +
       " document=" + xmlText(document, document->doc2string));
  document->dispose(document->owner);

  status = host->createDocumentFromContents(host->owner, "<Made by='probe'/>", &document);
  char value[16] = {};
  size_t needed = 0;
  const QXStatus read =
      document->getAttribute(document->owner, "by", value, sizeof value, &needed);
  note("host.createDocumentFromContents status=" + std::to_string(status) +
       " attribute status=" + std::to_string(read) + " by=" + value);
  document->dispose(document->owner);

  status = host->createDocumentFromContents(host->owner, "<Broken>", &document);
  note("host.createDocumentFromContents(broken) status=" + std::to_string(status) +
       " getName status=" + std::to_string(document->getName(document->owner, value,
                                                              sizeof value, &needed)));
  document->dispose(document->owner);

  host->trace(host->owner, "probe: host probed");
}

void probeContext(QXContext* c, const char* generatedKey) {
  auto document = [&](const char* member, auto fn) {
    note(fetched(member, [&](char* b, size_t s, size_t* n, int* e) { return fn(c->owner, b, s, n, e); }));
  };
  document("context.getContextInformation", c->getContextInformation);
  document("context.getParameters", c->getParameters);
  document("context.getDataModel", c->getDataModel);
  document("context.getSQLGeneration", c->getSQLGeneration);
  document("context.getOutputDataModel", c->getOutputDataModel);
  document("context.getPsmMergeInformation", c->getPsmMergeInformation);
  auto keyed = [&](const char* member, auto fn, const char* key) {
    note(fetched(member, [&](char* b, size_t s, size_t* n, int* e) {
      return fn(c->owner, key, b, s, n, e);
    }));
  };
  keyed("context.getPassword(db)", c->getPassword, "db");
  keyed("context.getPassword(generated)", c->getPassword, generatedKey);
  keyed("context.getPassword(DB)", c->getPassword, "DB");
  keyed("context.getFilePath(input)", c->getFilePath, "input");
  keyed("context.expandFilePath", c->expandFilePath, "~/data");
  note(fetched("context.expandFilePathExt", [&](char* b, size_t s, size_t* n, int* e) {
    return c->expandFilePathExt(c->owner, "~/data", 3u, b, s, n, e);
  }));
  void* jvm = nullptr;
  int errorCode = -1;
  QXStatus status = c->openJVM(c->owner, &jvm, "-Xss4m", &errorCode);
  note(said("context.openJVM", status, errorCode) + (jvm != nullptr ? " jvm=set" : " jvm=null"));
  errorCode = -1;
  status = c->closeJVM(c->owner, jvm, &errorCode);
  note(said("context.closeJVM", status, errorCode));
}

// Reads every record value by value, rewinds, reads them again in bulk.
size_t probeIterator(QXIterator* it) {
  size_t records = 0;
  int errorCode = -1;
  QXStatus status;
  while ((status = it->nextRecord(it->owner, &errorCode)) == QX_OK) {
    ++records;
    std::string line = "iterator.record";
    for (size_t index = 0;; ++index) {
      void* value = nullptr;
      size_t length = 0;
      status = it->getRecordValue(it->owner, index, &value, &length, &errorCode);
      if (status != QX_OK) {
        line += " | " + said("end", status, errorCode);
        break;
      }
      line += value == nullptr ? " null" : " " + std::string(static_cast<char*>(value), length);
    }
    note(line);
  }
  note(said("iterator.nextRecord(end)", status, errorCode));
  errorCode = -1;
  status = it->rewind(it->owner, &errorCode);
  note(said("iterator.rewind", status, errorCode));

  void* values[8];
  size_t lengths[8];
  size_t fields = 0, count = 0;
  errorCode = -1;
  status = it->bulkFetch(it->owner, 8, values, lengths, &fields, &count, &errorCode);
  std::string line = said("iterator.bulkFetch", status, errorCode) +
                     " fields=" + std::to_string(fields) + " records=" + std::to_string(count);
  for (size_t i = 0; status == QX_OK && i < fields * count && i < 8; ++i)
    line += values[i] == nullptr ? " null" : " " + std::string(static_cast<char*>(values[i]), lengths[i]);
  note(line);
  return records;
}

void probeProgress(QXProgress* progress, size_t records) {
  const std::string report =
      "<Progress><Diagnostic code='7' severity='warning' source='probe'>"
      "<Message>Read {0} records from {1}</Message><Parameter>" + std::to_string(records) +
      "</Parameter><Parameter>input</Parameter></Diagnostic>"
      "<Diagnostic code='8' severity='information'/></Progress>";
  int errorCode = 55;
  QXStatus status = progress->report(progress->owner, report.c_str(), report.size(), &errorCode);
  note(said("progress.report", status, errorCode));
  const char broken[] = "<Progress><Diagnostic>";
  errorCode = 56;
  status = progress->report(progress->owner, broken, sizeof broken - 1, &errorCode);
  note(said("progress.report(broken)", status, errorCode));
}

void send(Component* component, const char* what, const char* text, size_t length) {
  int errorCode = -1;
  const QXStatus status =
      component->channel->send(component->channel->owner, text, length, &errorCode);
  note(said(what, status, errorCode));
}

QXStatus done(int* errorCode) {
  *errorCode = 0;
  return QX_OK;
}

QXStatus answerText(const std::string& text, char* buffer, size_t size, size_t* needed,
                    int* errorCode) {
  *errorCode = 0;
  *needed = text.size() + 1;
  if (size < *needed) return QX_ERR_INSUFFICIENT_BUFFER;
  std::memcpy(buffer, text.c_str(), *needed);
  return QX_OK;
}

} // namespace

QX_MODULE_EXPORT QXStatus qx_initialise(QXHost* host, int* errorCode) {
  *errorCode = 0;
  observations.clear();
  probeHost(host);
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_cleanup(int* errorCode) { return done(errorCode); }

QX_MODULE_EXPORT QXStatus qx_getModuleInformation(char* buffer, size_t size, size_t* needed,
                                                  int* errorCode) {
  return answerText("<ModuleInformation name='services_probe'/>", buffer, size, needed,
                    errorCode);
}

// `text` names the generated password key the host made.
QX_MODULE_EXPORT QXStatus qx_create_component(QXContext* context, const char* text,
                                              void** component, int* errorCode) {
  *errorCode = 0;
  auto* made = new Component;
  made->context = context;
  probeContext(context, text);
  *component = made;
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_destroy_component(void* component, int* errorCode) {
  *errorCode = 0;
  delete static_cast<Component*>(component);
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_component_configure(void*, int* errorCode) { return done(errorCode); }

QX_MODULE_EXPORT QXStatus qx_component_getDataModel(void*, int, char* buffer, size_t size,
                                                    size_t* needed, int* errorCode) {
  return answerText("<DataModel><Field name='observation'/></DataModel>", buffer, size, needed,
                    errorCode);
}

QX_MODULE_EXPORT QXStatus qx_component_beginExecution(void*, QXIterator* iterator,
                                                      QXProgress* progress, int* errorCode) {
  *errorCode = 0;
  probeProgress(progress, probeIterator(iterator));
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_component_endExecution(void*, int* errorCode) {
  return done(errorCode);
}

// The output records: one observation each.
QX_MODULE_EXPORT QXStatus qx_component_nextRecord(void* component, int* errorCode) {
  *errorCode = 0;
  auto* c = static_cast<Component*>(component);
  if (c->nextObservation >= observations.size()) return QX_ERR_NO_DATA;
  ++c->nextObservation;
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_component_getRecordValue(void* component, size_t index,
                                                      void** value, size_t* length,
                                                      int* errorCode) {
  *errorCode = 0;
  auto* c = static_cast<Component*>(component);
  if (index != 0 || c->nextObservation == 0) return QX_ERR_INVALID_OPERATION;
  std::string& line = observations[c->nextObservation - 1];
  *value = &line[0];
  *length = line.size();
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_component_getErrorDetail(void*, char*, size_t, size_t*, int*) {
  return QX_ERR_NO_ERROR_DETAIL;
}

QX_MODULE_EXPORT QXStatus qx_component_beginInteraction(void* component, QXChannel* channel,
                                                        int* errorCode) {
  *errorCode = 0;
  auto* c = static_cast<Component*>(component);
  c->channel = channel;
  send(c, "channel.send(ready)", "ready", 5);
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_component_endInteraction(void* component, int* errorCode) {
  *errorCode = 0;
  static_cast<Component*>(component)->channel = nullptr;
  return QX_OK;
}

// Sends the request straight back to the host over the channel.
QX_MODULE_EXPORT QXStatus qx_component_request(void* component, const char* data, size_t length,
                                               int* errorCode) {
  *errorCode = 0;
  auto* c = static_cast<Component*>(component);
  if (c->channel == nullptr) return QX_ERR_NOT_INTERACTING;
  send(c, "channel.send(request)", data, length);
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus qx_component_getRequestReply(void*, char* buffer, size_t size,
                                                       size_t* needed, int* errorCode) {
  return answerText("<Reply/>", buffer, size, needed, errorCode);
}
