// SPDX-License-Identifier: GPL-3.0-or-later
// The engine's raw answer, as read from the socket until it closes: splitting it into status and
// body and decoding the JSON either succeed or fail with the user-facing engine error.
#include "FuzzSupport.h"
#include "engine/UnixHttpClient.h"
#include "model/ChoraleError.h"

using namespace chorale;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray raw = fuzz::bytes(data, size);
    UnixHttpClient::Response response;
    try {
        response = UnixHttpClient::parseResponse(raw);
    } catch (const ChoraleError &error) {
        FUZZ_CHECK(!raw.contains("\r\n\r\n"));
        FUZZ_CHECK(!error.message().isEmpty());
        return 0;
    }
    FUZZ_CHECK(response.body.size() < raw.size());
    FUZZ_CHECK(raw.endsWith(response.body));
    try {
        UnixHttpClient::decodeJson(response);
        FUZZ_CHECK(response.status < 400);
    } catch (const ChoraleError &) {
        FUZZ_CHECK(response.status >= 400);
    }
    return 0;
}
