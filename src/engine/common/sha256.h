#pragma once

// SHA-256 of bytes given in order, for the digests that name a data file in the results: the
// reading that needs the bytes anyway hands them here, so that no file is read twice for its
// digest.

#include <cstddef>
#include <string>

typedef struct evp_md_ctx_st EVP_MD_CTX;

namespace tallyscan {

class Sha256 {
 public:
  Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;
  ~Sha256();

  void Add(const char* bytes, std::size_t count);
  // 64 lower-case hexadecimal digits; once, after the last Add.
  std::string HexDigest();

 private:
  EVP_MD_CTX* context_;
};

}  // namespace tallyscan
