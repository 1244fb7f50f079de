// derive: a data transformer of the older generation (tarnext_ exports). It
// passes its input fields through and appends one real field per parameter:
//   <Parameters><KeyedValue name="total" value="price * quantity"/></Parameters>
// Expressions use + - * /, parentheses, numbers and the names of integer or
// real input fields. A null operand gives a null result; a division by zero
// gives null and, once per execution, a warning. The interaction request
// "stats" answers with the counts of the execution so far.
#include "../common/module_support.h"

#include "expression.h"
#include "record_values.h"

#include <atomic>
#include <memory>
#include <optional>

namespace {

namespace helper = examples::helper;
using quex::values::Storage;

const char kSource[] = "derive";

enum ErrorCode : int {
  kBadInputModel = 1,
  kBadParameters = 2,
  kBadExpression = 3,
  kNameTaken = 4,
  kInputFailed = 5,
};
enum DiagnosticCode : int { kDivisionByZero = 20 };

QXHost* theHost = nullptr;

struct InputField {
  std::string name;
  Storage storage = Storage::String;
};

struct DerivedField {
  std::string name;
  derive::Expression expression;
};

struct Transformer {
  QXContext* context = nullptr;
  examples::ErrorTexts errors;
  std::vector<InputField> inputs;
  std::vector<DerivedField> derived;
  bool configured = false;

  // Execution.
  QXIterator* iterator = nullptr;
  QXProgress* progress = nullptr;
  std::atomic<bool> cancelled{false}; // set from the host's cancelling thread
  std::vector<void*> inputValues;
  std::vector<size_t> inputLengths;
  std::vector<unsigned char> results; // 8 bytes per derived field
  std::vector<bool> resultNull;
  std::vector<std::optional<double>> stack;
  size_t records = 0, nullResults = 0, divisionsByZero = 0;

  // Interaction.
  bool interacting = false;
  std::optional<std::string> reply;

  QXStatus configure(int* errorCode);
  QXStatus next(int* errorCode);
  bool number(size_t field, double& value) const;
};

Transformer& transformer(void* peer) { return *static_cast<Transformer*>(peer); }

QXStatus Transformer::configure(int* errorCode) {
  std::string model, parameters;
  if (examples::fetchText(model, [&](char* b, size_t s, size_t* n) {
        return context->getDataModel(context->owner, b, s, n, errorCode);
      }) != QX_OK)
    return errors.fail(kBadInputModel, "the host gives no input data model", errorCode);
  inputs.clear();
  derived.clear();
  try {
    for (const examples::FieldDeclaration& field :
         examples::readFields(helper::XMLDocument::createFromString(theHost, model.c_str()))) {
      auto storage = quex::values::storageFromWord(field.storage);
      if (!storage)
        return errors.fail(kBadInputModel,
                           "input field '" + field.name + "' has unknown storage '" +
                               field.storage + "'",
                           errorCode);
      inputs.push_back({field.name, *storage});
    }
  } catch (const helper::XMLException&) {
    return errors.fail(kBadInputModel, "the input data model is not a well-formed document",
                       errorCode);
  }

  if (examples::fetchText(parameters, [&](char* b, size_t s, size_t* n) {
        return context->getParameters(context->owner, b, s, n, errorCode);
      }) != QX_OK)
    parameters.clear();
  std::vector<std::pair<std::string, std::string>> definitions;
  if (!parameters.empty()) {
    try {
      helper::XMLDocument document =
          helper::XMLDocument::createFromString(theHost, parameters.c_str());
      helper::XMLElementIterator items = document.getElements(helper::XMLElements::KeyedValue);
      while (items.hasMore()) {
        helper::XMLElement item = items.next();
        definitions.emplace_back(item.getAttribute(helper::XMLAttributes::Name),
                                 item.getAttribute(helper::XMLAttributes::Value));
      }
    } catch (const helper::XMLException&) {
      return errors.fail(kBadParameters, "the parameters are not a well-formed document",
                         errorCode);
    }
  }

  auto lookup = [this](std::string_view name) -> std::optional<size_t> {
    for (size_t i = 0; i < inputs.size(); ++i)
      if (inputs[i].name == name && !quex::values::isText(inputs[i].storage)) return i;
    return std::nullopt;
  };
  for (const auto& [name, text] : definitions) {
    bool taken = name.empty();
    for (const InputField& input : inputs) taken = taken || input.name == name;
    for (const DerivedField& field : derived) taken = taken || field.name == name;
    if (taken)
      return errors.fail(kNameTaken,
                         "derived field '" + name + "' has no name or repeats a field's name",
                         errorCode);
    std::string why;
    std::optional<derive::Expression> expression = derive::Expression::parse(text, lookup, why);
    if (!expression)
      return errors.fail(kBadExpression,
                         "derived field '" + name + "': " + why +
                             " (fields must be integer or real)",
                         errorCode);
    derived.push_back({name, std::move(*expression)});
  }
  configured = true;
  return QX_OK;
}

bool Transformer::number(size_t field, double& value) const {
  const void* bytes = inputValues[field];
  if (bytes == nullptr || inputLengths[field] != quex::values::kNumberSize) return false;
  value = inputs[field].storage == Storage::Integer
              ? static_cast<double>(quex::values::decodeInteger(bytes))
              : quex::values::decodeReal(bytes);
  return true;
}

QXStatus Transformer::next(int* errorCode) {
  if (cancelled) return QX_ERR_INTERRUPTED;
  int hostCode = 0;
  QXStatus status = iterator->nextRecord(iterator->owner, &hostCode);
  if (status == QX_ERR_NO_DATA) return QX_ERR_NO_DATA;
  if (status != QX_OK)
    return errors.fail(kInputFailed,
                       "reading an input record failed with status " + std::to_string(status),
                       errorCode);
  for (size_t i = 0; i < inputs.size(); ++i) {
    inputValues[i] = nullptr;
    inputLengths[i] = 0;
    status = iterator->getRecordValue(iterator->owner, i, &inputValues[i], &inputLengths[i],
                                      &hostCode);
    if (status != QX_OK)
      return errors.fail(kInputFailed,
                         "reading input field '" + inputs[i].name + "' failed with status " +
                             std::to_string(status),
                         errorCode);
  }
  ++records;
  auto value = [this](size_t field, double& number) { return this->number(field, number); };
  for (size_t i = 0; i < derived.size(); ++i) {
    derive::Expression::Result result = derived[i].expression.evaluate(value, stack);
    resultNull[i] = result.null;
    if (result.null) ++nullResults;
    if (result.divisionByZero && divisionsByZero++ == 0)
      examples::reportDiagnostic(theHost, progress, kDivisionByZero, "warning", kSource,
                                 "division by zero in {0} at record {1}; the result is null",
                                 {derived[i].name, std::to_string(records)});
    quex::values::encodeReal(result.value, &results[i * quex::values::kNumberSize]);
  }
  return QX_OK;
}

std::string statistics(const Transformer& t) {
  helper::XMLDocument document = helper::XMLDocument::createNew(theHost, "Statistics");
  document.addAttribute("records", static_cast<int64_t>(t.records));
  document.addAttribute("derivedFields", static_cast<int64_t>(t.derived.size()));
  document.addAttribute("nullResults", static_cast<int64_t>(t.nullResults));
  document.addAttribute("divisionsByZero", static_cast<int64_t>(t.divisionsByZero));
  std::string text;
  document.doc2string(text);
  return text;
}

} // namespace

QX_MODULE_EXPORT QXStatus tarnext_initialise(QXHost* host, int* errorCode) {
  *errorCode = 0;
  theHost = host;
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus tarnext_cleanup(int* errorCode) {
  *errorCode = 0;
  theHost = nullptr;
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus tarnext_getModuleInformation(char* buffer, size_t bufferSize,
                                                       size_t* needed, int* errorCode) {
  *errorCode = 0;
  return examples::returnText(
      "<ModuleInformation><Module name=\"derive\" type=\"dataTransformer\" version=\"1.0\">"
      "<Description>Appends fields computed from arithmetic over input fields</Description>"
      "</Module></ModuleInformation>",
      buffer, bufferSize, needed);
}

QX_MODULE_EXPORT QXStatus tarnext_create_peer(QXContext* context, int, const char*, void** peer,
                                              int* errorCode) {
  *errorCode = 0;
  return examples::guarded([&] {
    auto made = std::make_unique<Transformer>();
    made->context = context;
    *peer = made.release(); // back in tarnext_destroy_peer
    return QX_OK;
  });
}

QX_MODULE_EXPORT QXStatus tarnext_destroy_peer(void* peer, int* errorCode) {
  *errorCode = 0;
  std::unique_ptr<Transformer> owned(static_cast<Transformer*>(peer));
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus tarnext_peer_configure(void* peer, int* errorCode) {
  *errorCode = 0;
  return examples::guarded([&] { return transformer(peer).configure(errorCode); });
}

QX_MODULE_EXPORT QXStatus tarnext_peer_getDataModel(void* peer, int, char* buffer,
                                                    size_t bufferSize, size_t* needed,
                                                    int* errorCode) {
  *errorCode = 0;
  return examples::guarded([&] {
    Transformer& t = transformer(peer);
    if (!t.configured) return QX_ERR_NOT_CONFIGURED;
    std::vector<examples::FieldDeclaration> fields;
    for (const InputField& input : t.inputs)
      fields.push_back({input.name, quex::values::storageWord(input.storage)});
    for (const DerivedField& field : t.derived) fields.push_back({field.name, "real"});
    return examples::returnText(examples::makeDataModel(theHost, fields), buffer, bufferSize,
                                needed);
  });
}

QX_MODULE_EXPORT QXStatus tarnext_peer_beginExecution(void* peer, QXIterator* iterator,
                                                      QXProgress* progress, int* errorCode) {
  *errorCode = 0;
  return examples::guarded([&] {
    Transformer& t = transformer(peer);
    if (!t.configured) return QX_ERR_NOT_CONFIGURED;
    if (iterator == nullptr) return QX_ERR_NOT_EXECUTABLE;
    t.iterator = iterator;
    t.progress = progress;
    t.cancelled = false;
    t.records = t.nullResults = t.divisionsByZero = 0;
    t.inputValues.assign(t.inputs.size(), nullptr);
    t.inputLengths.assign(t.inputs.size(), 0);
    t.results.assign(t.derived.size() * quex::values::kNumberSize, 0);
    t.resultNull.assign(t.derived.size(), true);
    return QX_OK;
  });
}

QX_MODULE_EXPORT QXStatus tarnext_peer_endExecution(void* peer, int* errorCode) {
  *errorCode = 0;
  Transformer& t = transformer(peer);
  t.iterator = nullptr;
  t.progress = nullptr;
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus tarnext_peer_cancelExecution(void* peer, int* errorCode) {
  *errorCode = 0;
  transformer(peer).cancelled = true;
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus tarnext_peer_nextRecord(void* peer, int* errorCode) {
  *errorCode = 0;
  return examples::guarded([&] {
    Transformer& t = transformer(peer);
    if (t.iterator == nullptr) return QX_ERR_NOT_EXECUTING;
    return t.next(errorCode);
  });
}

QX_MODULE_EXPORT QXStatus tarnext_peer_getRecordValue(void* peer, size_t index, void** value,
                                                      size_t* length, int* errorCode) {
  *errorCode = 0;
  Transformer& t = transformer(peer);
  if (t.iterator == nullptr) return QX_ERR_NOT_EXECUTING;
  if (index < t.inputs.size()) {
    *value = t.inputValues[index];
    *length = t.inputLengths[index];
    return QX_OK;
  }
  index -= t.inputs.size();
  if (index >= t.derived.size()) return QX_ERR_INVALID_OPERATION;
  *value = t.resultNull[index] ? nullptr : &t.results[index * quex::values::kNumberSize];
  *length = quex::values::kNumberSize;
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus tarnext_peer_getErrorDetail(void* peer, char* buffer,
                                                      size_t bufferSize, size_t* needed,
                                                      int* errorCode) {
  return transformer(peer).errors.detail(*errorCode, buffer, bufferSize, needed);
}

QX_MODULE_EXPORT QXStatus tarnext_peer_beginInteraction(void* peer, QXChannel*,
                                                        int* errorCode) {
  *errorCode = 0;
  Transformer& t = transformer(peer);
  t.interacting = true;
  t.reply.reset();
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus tarnext_peer_endInteraction(void* peer, int* errorCode) {
  *errorCode = 0;
  Transformer& t = transformer(peer);
  if (!t.interacting) return QX_ERR_NOT_INTERACTING;
  t.interacting = false;
  return QX_OK;
}

QX_MODULE_EXPORT QXStatus tarnext_peer_request(void* peer, const char* data, size_t length,
                                               int* errorCode) {
  *errorCode = 0;
  return examples::guarded([&] {
    Transformer& t = transformer(peer);
    if (!t.interacting) return QX_ERR_NOT_INTERACTING;
    if (std::string_view(data, length) != "stats") return QX_ERR_INVALID_REQUEST;
    t.reply = statistics(t);
    return QX_OK;
  });
}

QX_MODULE_EXPORT QXStatus tarnext_peer_getRequestReply(void* peer, char* buffer,
                                                       size_t bufferSize, size_t* needed,
                                                       int* errorCode) {
  *errorCode = 0;
  Transformer& t = transformer(peer);
  if (!t.reply) return QX_ERR_NO_REPLY;
  return examples::returnText(*t.reply, buffer, bufferSize, needed);
}
