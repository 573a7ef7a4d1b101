// One-time set-up of the text encodings against the host: the client encoding
// and ICU's data directory under the host's own directory.
#ifndef TAGSMITH_CLIENT_TEXT_SUPPORT_H
#define TAGSMITH_CLIENT_TEXT_SUPPORT_H

#include <cstdint>

int32_t EnsureTextSupport();
int32_t SetIcuDataDirectory();

#endif
