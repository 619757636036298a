#pragma once

#include <stdexcept>
#include <string>

// An error that the component's runtime raises (for example reading an array without elements);
// it reaches the caller, which answers with its description.
class CryptError : public std::runtime_error {
public:
    explicit CryptError(const std::string& description)
        : std::runtime_error(description) {}
};
