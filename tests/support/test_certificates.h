#pragma once
// Certificates for https tests, made with the openssl tool once per test program in a
// temporary folder that lasts as long as the program: a test certificate authority and four
// server identities.
#include <string>

namespace veldo::testing {

struct TlsIdentity {
    std::string certificateFile; // PEM
    std::string keyFile;         // PEM, unencrypted
};

struct TestCertificates {
    std::string authorityFile; // the test authority's own certificate (PEM)
    TlsIdentity good;          // signed by the authority, for 127.0.0.1 and localhost
    TlsIdentity selfSigned;    // for 127.0.0.1 and localhost, signed by itself
    TlsIdentity expired;       // signed by the authority, for 127.0.0.1; no longer valid
    TlsIdentity wrongHost;     // signed by the authority, for wrong.example only
};

// The certificates; null when the openssl tool is missing or failed (the reason is printed).
const TestCertificates* MadeTestCertificates();

} // namespace veldo::testing
