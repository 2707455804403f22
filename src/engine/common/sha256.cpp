#include "engine/common/sha256.h"

#include <openssl/evp.h>

namespace tallyscan {

Sha256::Sha256() : context_(EVP_MD_CTX_new()) {
  if (context_ != nullptr) EVP_DigestInit_ex(context_, EVP_sha256(), nullptr);
}

Sha256::~Sha256() { EVP_MD_CTX_free(context_); }

void Sha256::Add(const char* bytes, std::size_t count) {
  if (context_ != nullptr && count > 0) EVP_DigestUpdate(context_, bytes, count);
}

std::string Sha256::HexDigest() {
  static constexpr char kDigits[] = "0123456789abcdef";
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned length = 0;
  // A context that could not be had gives no digest rather than a wrong one.
  if (context_ == nullptr || EVP_DigestFinal_ex(context_, digest, &length) != 1) return {};
  std::string text;
  for (unsigned i = 0; i < length; ++i) {
    text += kDigits[digest[i] >> 4];
    text += kDigits[digest[i] & 15];
  }
  return text;
}

}  // namespace tallyscan
