// Server bytes as a stream connection meets them: as a response head arriving in pieces, and as
// a body from which metadata is removed at several intervals.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/message_sink.h"
#include "engine/input/icy_head.h"
#include "engine/input/net_stream_reader.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

void FeedHead(const uint8_t* data, size_t size, size_t piece) {
    vl::IcyHeadReader reader;
    size_t at = 0;
    vl::IcyHeadReader::Step step = vl::IcyHeadReader::Step::NeedMore;
    while (at < size && step == vl::IcyHeadReader::Step::NeedMore) {
        size_t n = std::min({piece, size - at, reader.SpaceLeft()});
        std::memcpy(reader.Space(), data + at, n);
        at += n;
        step = reader.Commit(n);
    }
    if (step != vl::IcyHeadReader::Step::Done) return;
    const vl::IcyHead& head = reader.Head();
    Check(head.status == 200 || head.status == 302);
    Check(reader.BodyLength() < vl::IcyHeadReader::kCapacity);
    Check(head.name.size() <= 256 && head.genre.size() <= 256 && head.url.size() <= 256);
    Check(head.location.size() <= 256 && head.metaInterval >= 0);
}

void StripBody(const uint8_t* data, size_t size, int interval, size_t piece) {
    vl::NetStreamReader reader;
    vl::MessageQueue queue;
    reader.SetNotifyWindow(&queue);
    reader.SetMetaInterval(interval);
    std::vector<uint8_t> bytes(data, data + size);
    size_t kept = 0;
    for (size_t at = 0; at < size; at += piece) {
        uint32_t n = static_cast<uint32_t>(std::min(piece, size - at));
        uint32_t removed = reader.StripMetadata(bytes.data() + at, n);
        Check(removed <= n);
        kept += n - removed;
    }
    Check(kept <= size);
    std::wstring title;
    if (reader.GetStreamTitle(title)) Check(title.size() < 260);
    vl::Message m;
    while (queue.Get(m, 0)) {
        const wchar_t* posted = reinterpret_cast<const wchar_t*>(m.wParam);
        Check(m.message == vl::WM_ENGINE_TITLE && wcsnlen(posted, 260) < 260);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    size_t piece = static_cast<size_t>(data[0] % 64) + 1;
    ++data;
    --size;
    FeedHead(data, size, piece);
    FeedHead(data, size, 4096);

    std::string text(reinterpret_cast<const char*>(data), std::min<size_t>(size, 600));
    vl::IcyTarget target;
    if (vl::ResolveIcyTarget(text, false, "", target)) Check(!target.host.empty() && target.port > 0);
    if (vl::ResolveIcyTarget("http://radio.test/", true, text, target)) Check(target.port <= 65535);

    const int intervals[] = {1, 2, 3, 16, 255, 16000};
    for (int interval : intervals) StripBody(data, size, interval, piece * 37);
    return 0;
}
