#pragma once

// SQLCipher encrypts and authenticates every page it reads or writes. Its OpenSSL provider builds
// a fresh cipher and HMAC context for each page and asks the shared random generator for each IV;
// with OpenSSL 3 that set-up costs more than the encryption itself. This installs a provider that
// keeps one keyed context per thread and key and takes IVs from a per-thread buffer of the same
// generator. Pages come out byte for byte as the engine's own provider writes them (AES-256-CBC,
// HMAC-SHA1, a fresh random IV each time), so every other program still reads the file.
namespace SqlCipherProvider {

// Installs the provider once per process, before the first keyed connection. Where the engine is
// not the version whose provider table this knows, or its provider is not OpenSSL, nothing changes.
void Install();

// True when the provider is in place.
bool Installed();

} // namespace SqlCipherProvider
