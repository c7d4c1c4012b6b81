#include "text/md5.h"

#include <openssl/evp.h>

#include <memory>

namespace quorvane {

std::string md5_text(std::string_view text) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int digest_length = 0;
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(),
                                                                    EVP_MD_CTX_free);
    if (!context || EVP_DigestInit_ex(context.get(), EVP_md5(), nullptr) != 1 ||
        EVP_DigestUpdate(context.get(), text.data(), text.size()) != 1 ||
        EVP_DigestFinal_ex(context.get(), digest, &digest_length) != 1) {
        return {};
    }
    static constexpr char hex_digits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(digest_length * 2);
    for (unsigned int i = 0; i < digest_length; ++i) {
        hex.push_back(hex_digits[digest[i] >> 4]);
        hex.push_back(hex_digits[digest[i] & 0x0F]);
    }
    return hex;
}

std::string md5_middle16(std::string_view text) {
    const std::string digest = md5_text(text);
    return digest.size() == 32 ? digest.substr(8, 16) : std::string();
}

}  // namespace quorvane
