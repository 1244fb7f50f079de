// Secrecy: the passwords and file paths a component is given never show in
// its trace output, its diagnostics or its error texts, at any trace level.
#include "check.h"
#include "probe.h"

#include <cstring>
#include <random>
#include <set>

namespace quex::check {

namespace {

QXStatus returnText(const std::string& text, char* buffer, size_t bufferSize, size_t* needed) {
  *needed = text.size() + 1;
  if (bufferSize < *needed) return QX_ERR_INSUFFICIENT_BUFFER;
  std::memcpy(buffer, text.c_str(), *needed);
  return QX_OK;
}

// The component's context: a password for whatever key the module asks (its
// own unguessable text), everything else from the context quex made, and a
// note of every secret handed out.
class SecretContext {
public:
  SecretContext(Component& component, const CheckOptions& options, std::string nonce)
      : component_(component), options_(options), nonce_(std::move(nonce)) {
    for (const auto& file : options.documents.files) secrets_.insert(file.second);
    for (const auto& password : options.documents.passwords) secrets_.insert(password.second);
    table_.owner = this;
    table_.getContextInformation = [](void* o, char* b, size_t s, size_t* n, int* e) {
      QXContext* real = self(o).real();
      return real->getContextInformation(real->owner, b, s, n, e);
    };
    table_.getParameters = [](void* o, char* b, size_t s, size_t* n, int* e) {
      QXContext* real = self(o).real();
      return real->getParameters(real->owner, b, s, n, e);
    };
    table_.getDataModel = [](void* o, char* b, size_t s, size_t* n, int* e) {
      QXContext* real = self(o).real();
      return real->getDataModel(real->owner, b, s, n, e);
    };
    table_.getSQLGeneration = [](void* o, char* b, size_t s, size_t* n, int* e) {
      QXContext* real = self(o).real();
      return real->getSQLGeneration(real->owner, b, s, n, e);
    };
    table_.getPassword = [](void* o, const char* key, char* b, size_t s, size_t* n, int* e) {
      return self(o).password(key, b, s, n, e);
    };
    table_.getFilePath = [](void* o, const char* key, char* b, size_t s, size_t* n, int* e) {
      QXContext* real = self(o).real();
      QXStatus status = real->getFilePath(real->owner, key, b, s, n, e);
      if (status == QX_OK) self(o).secrets_.insert(b);
      return status;
    };
    table_.getOutputDataModel = [](void* o, char* b, size_t s, size_t* n, int* e) {
      QXContext* real = self(o).real();
      return real->getOutputDataModel(real->owner, b, s, n, e);
    };
    table_.getPsmMergeInformation = [](void* o, char* b, size_t s, size_t* n, int* e) {
      QXContext* real = self(o).real();
      return real->getPsmMergeInformation(real->owner, b, s, n, e);
    };
    table_.openJVM = [](void* o, void** jvm, const char* text, int* e) {
      QXContext* real = self(o).real();
      return real->openJVM(real->owner, jvm, text, e);
    };
    table_.closeJVM = [](void* o, void* jvm, int* e) {
      QXContext* real = self(o).real();
      return real->closeJVM(real->owner, jvm, e);
    };
    table_.expandFilePath = [](void* o, const char* path, char* b, size_t s, size_t* n, int* e) {
      QXContext* real = self(o).real();
      QXStatus status = real->expandFilePath(real->owner, path, b, s, n, e);
      if (status == QX_OK && self(o).secrets_.count(path) > 0) self(o).secrets_.insert(b);
      return status;
    };
    table_.expandFilePathExt = [](void* o, const char* path, unsigned int flags, char* b,
                                  size_t s, size_t* n, int* e) {
      QXContext* real = self(o).real();
      QXStatus status = real->expandFilePathExt(real->owner, path, flags, b, s, n, e);
      if (status == QX_OK && self(o).secrets_.count(path) > 0) self(o).secrets_.insert(b);
      return status;
    };
    component_.useContext(&table_);
  }

  const std::set<std::string>& secrets() const { return secrets_; }

private:
  static SecretContext& self(void* owner) { return *static_cast<SecretContext*>(owner); }
  QXContext* real() { return component_.madeContext(); }

  QXStatus password(const char* key, char* buffer, size_t size, size_t* needed, int* errorCode) {
    *errorCode = 0;
    for (const auto& given : options_.documents.passwords)
      if (given.first == key) return returnText(given.second, buffer, size, needed);
    const std::string secret = "pw-" + nonce_ + "-" + key;
    secrets_.insert(secret);
    return returnText(secret, buffer, size, needed);
  }

  Component& component_;
  const CheckOptions& options_;
  std::string nonce_;
  std::set<std::string> secrets_;
  QXContext table_{};
};

std::string makeNonce() {
  std::random_device random;
  char text[17];
  std::snprintf(text, sizeof text, "%08x%08x", random(), random());
  return text;
}

// The line of `said` around `at`, with the secret shown as ***.
std::string lineAround(const std::string& said, size_t at, size_t length) {
  size_t start = said.rfind('\n', at);
  start = start == std::string::npos ? 0 : start + 1;
  size_t end = said.find('\n', at);
  if (end == std::string::npos) end = said.size();
  std::string line = said.substr(start, at - start) + "***" +
                     said.substr(at + length, end - at - length);
  return line.size() > 120 ? line.substr(0, 117) + "..." : line;
}

Verdict secretsStaySecret(const CheckOptions& options) {
  const std::string nonce = makeNonce();
  std::string note;
  for (int level = 0; level <= 4; ++level) {
    ExtensionWrapper::setTraceLevel(level);
    moduleOutput().take();
    std::string why, said;
    std::set<std::string> secrets;
    {
      Probe probe(options);
      if (!probe.start(why)) {
        ExtensionWrapper::setTraceLevel(0);
        return Verdict::skip(why);
      }
      Component component(probe);
      SecretContext context(component, options, nonce);
      std::vector<Record> records;
      if (!component.prepare(why) || !component.readAll(records, why) || !component.end(why) ||
          !component.destroy(why))
        said += why + "\n"; // a failure's error text counts as said
      probe.stop(why);
      secrets = context.secrets();
    }
    said += moduleOutput().take();
    for (const std::string& secret : secrets) {
      if (secret.size() < 4) continue;
      const size_t at = said.find(secret);
      if (at == std::string::npos) continue;
      ExtensionWrapper::setTraceLevel(0);
      const bool password = secret.rfind("pw-" + nonce, 0) == 0;
      return Verdict::fail(std::string(password ? "a password" : "a secret given to the component") +
                           " shows at trace level " + std::to_string(level) + ": \"" +
                           lineAround(said, at, secret.size()) + "\"");
    }
    if (level == 0) note = std::to_string(secrets.size()) + " secrets asked for";
  }
  ExtensionWrapper::setTraceLevel(0);
  return Verdict::pass(note);
}

} // namespace

std::vector<Check> secrecyChecks() {
  return {
      {"secrecy.traces",
       "Passwords and file paths never show in traces, diagnostics or error texts (levels 0-4)",
       Severity::Error, secretsStaySecret},
  };
}

} // namespace quex::check
