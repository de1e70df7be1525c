#include "test_certificates.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>

#include "temp_dir.h"

namespace veldo::testing {
namespace {

// Elliptic-curve keys: quick to make. "sign NAME DAYS SAN" makes a certificate signed by the
// authority; a negative DAYS gives one whose validity ended before it began.
constexpr char kScript[] = R"(set -e
key="-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes"
openssl req -x509 $key -keyout ca.key -out ca.pem -days 30 -subj "/CN=Veldo Test Authority"
sign() {
  printf 'subjectAltName=%s\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n' "$3" > $1.ext
  openssl req -new $key -keyout $1.key -out $1.csr -subj "/CN=$1"
  openssl x509 -req -in $1.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days $2 \
    -extfile $1.ext -out $1.pem
}
sign good 30 "IP:127.0.0.1,DNS:localhost"
sign expired -1 "IP:127.0.0.1,DNS:localhost"
sign wronghost 30 "DNS:wrong.example"
openssl req -x509 $key -keyout selfsigned.key -out selfsigned.pem -days 30 -subj "/CN=127.0.0.1" \
  -addext "subjectAltName=IP:127.0.0.1,DNS:localhost"
)";

std::unique_ptr<TestCertificates> Make(const TempDir& folder) {
    if (std::system("command -v openssl >/dev/null 2>&1") != 0) {
        std::fprintf(stderr, "openssl is not installed: the https tests are skipped\n");
        return nullptr;
    }
    const std::string dir = folder.path().string();
    std::ofstream(folder.path() / "make.sh") << kScript;
    const std::string command =
        "cd '" + dir + "' && { sh make.sh >make.log 2>&1 || { cat make.log >&2; false; }; }";
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "openssl failed to make the test certificates\n");
        return nullptr;
    }
    auto identity = [&](const std::string& name) {
        return TlsIdentity{dir + "/" + name + ".pem", dir + "/" + name + ".key"};
    };
    return std::make_unique<TestCertificates>(
        TestCertificates{dir + "/ca.pem", identity("good"), identity("selfsigned"),
                         identity("expired"), identity("wronghost")});
}

} // namespace

const TestCertificates* MadeTestCertificates() {
    static const TempDir folder;
    static const std::unique_ptr<TestCertificates> made = Make(folder);
    return made.get();
}

} // namespace veldo::testing
