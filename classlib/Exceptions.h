// The exception family of the class layer. Messages are UTF-16, as the
// window system shows them; the registry and resource messages are German.
#pragma once
#include <exception>
#include <string>

class Exception : public std::exception {
public:
    explicit Exception(std::wstring message = std::wstring());
    const std::wstring& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return narrow_.c_str(); }

private:
    std::wstring message_;
    std::string narrow_;
};

class EResNotFound : public Exception {
    using Exception::Exception;
};

class EOutOfResources : public Exception {
    using Exception::Exception;
};

class ERegistryException : public Exception {
    using Exception::Exception;
};

class EInvalidOperation : public Exception {
    using Exception::Exception;
};

// Replaces the first "%s" of a message pattern by the argument.
std::wstring FormatMessageText(const std::wstring& pattern, const std::wstring& argument);
