// QXDiagnostic: one diagnostic of a progress report. Its message is a template
// whose placeholders "{n}" stand for parameter n; getOutputText fills them in.
#ifndef QUEX_SERVICES_QXDIAGNOSTIC_H
#define QUEX_SERVICES_QXDIAGNOSTIC_H

#include <quex/export.h>

#include <cstddef>
#include <string>
#include <vector>

class QUEX_API QXDiagnostic {
public:
  enum severity_t {
    SEVERITY_FATAL = 0,
    SEVERITY_ERROR = 1,
    SEVERITY_WARNING = 2,
    SEVERITY_INFORMATION = 3,
    SEVERITY_UNKNOWN = 4,
  };

  QXDiagnostic() = default;
  QXDiagnostic(const QXDiagnostic& other) = default;
  QXDiagnostic& operator=(const QXDiagnostic& other) = default;
  ~QXDiagnostic() = default;

  void setCode(int code) { code_ = code; }
  int getCode() const { return code_; }
  void setSubCode(int subCode) { subCode_ = subCode; }
  int getSubCode() const { return subCode_; }
  void setSeverity(severity_t severity) { severity_ = severity; }
  severity_t getSeverity() const { return severity_; }
  void setSource(const std::string& source) { source_ = source; }
  std::string getSource() const { return source_; }
  void setMessage(const std::string& message) { message_ = message; }
  std::string getMessage() const { return message_; }

  void addParameter(const std::string& parameter) { parameters_.push_back(parameter); }
  void clearParameters() { parameters_.clear(); }
  size_t getParameterCount() const { return parameters_.size(); }
  // `index` must be below getParameterCount(); std::out_of_range otherwise.
  std::string getParameter(size_t index) const { return parameters_.at(index); }

  // The message with every placeholder whose number names a parameter replaced
  // by it; other placeholders stay as written. Without a message: the code.
  std::string getOutputText() const;

private:
  void format(std::string& text, size_t start) const;

  int code_ = 0;
  int subCode_ = 0;
  severity_t severity_ = SEVERITY_UNKNOWN;
  std::string source_;
  std::string message_;
  std::vector<std::string> parameters_;
};

#endif // QUEX_SERVICES_QXDIAGNOSTIC_H
