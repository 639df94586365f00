#include "investigate/address_names.h"

#include <nettle/hmac.h>

namespace zelkam {

void hmacSha256(const std::array<std::uint8_t, 32>& key, std::string_view message,
                std::array<std::uint8_t, 32>& digest)
{
    static_assert(SHA256_DIGEST_SIZE == 32);
    hmac_sha256_ctx context;
    hmac_sha256_set_key(&context, key.size(), key.data());
    hmac_sha256_update(&context, message.size(), reinterpret_cast<const std::uint8_t*>(message.data()));
    hmac_sha256_digest(&context, digest.size(), digest.data());
}

} // namespace zelkam
