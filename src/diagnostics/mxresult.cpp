// Results: severity, lazily translated message and error condition.
#include "mxresult.h"

#include "mxassert.h"

namespace {

const char* const forgotten_number_text = "... package does not remember the error number ...";

const MxString& empty_message() {
  static const MxString empty;
  return empty;
}

} // namespace

MxResult::MxResult()
    : code_(OK), message_(nullptr), error_number_(-1), package_(nullptr), translator_(nullptr) {}

MxResult::MxResult(CodeID code, const MxString& message)
    : code_(code), message_(new MxString(message)), error_number_(-1), package_(nullptr),
      translator_(nullptr) {}

MxResult::MxResult(const MxResult& other)
    : code_(other.code_), message_(other.message_ ? new MxString(*other.message_) : nullptr),
      error_number_(other.error_number_), package_(other.package_), translator_(other.translator_) {
}

MxResult& MxResult::operator=(const MxResult& other) {
  if (this == &other) return *this;
  if (!other.message_) {
    delete message_;
    message_ = nullptr;
  } else if (message_) {
    *message_ = *other.message_;
  } else {
    message_ = new MxString(*other.message_);
  }
  code_ = other.code_;
  error_number_ = other.error_number_;
  package_ = other.package_;
  translator_ = other.translator_;
  return *this;
}

MxResult::~MxResult() {
  delete message_;
}

MxResult::CodeID MxResult::code() {
  return code_;
}

bool MxResult::ok() {
  return code_ == OK;
}

bool MxResult::normal() {
  return code_ == OK;
}

bool MxResult::warning() {
  return code_ == WARNING;
}

bool MxResult::failed() {
  return code_ == FAILED;
}

void MxResult::set_code(CodeID code) {
  code_ = code;
}

void MxResult::set_message(const MxString& text) {
  if (message_)
    *message_ = text;
  else
    message_ = new MxString(text);
}

void MxResult::set_error_condition(CodeID code, int number, const MxString* const* package,
                                   Translator translator) {
  code_ = code;
  error_number_ = number;
  package_ = package;
  translator_ = translator;
  delete message_;
  message_ = nullptr;
}

void MxResult::get_error_condition(CodeID& code, int& number, const MxString**& package) const {
  code = code_;
  number = error_number_;
  package = const_cast<const MxString**>(package_);
}

void MxResult::get_error_condition(CodeID& code, int& number,
                                   const MxString* const*& package) const {
  code = code_;
  number = error_number_;
  package = package_;
}

const MxString& MxResult::message() const {
  if (!message_ && package_ && translator_) {
    const char* text = translator_(*package_, error_number_);
    if (!text) {
      MX_REPORT("mxresult");
      text = forgotten_number_text;
    }
    message_ = new MxString(text);
  }
  return message_ ? *message_ : empty_message();
}

int mx_error_number(const MxResult& result) {
  MxResult::CodeID code;
  int number;
  const MxString* const* package;
  result.get_error_condition(code, number, package);
  return number;
}
