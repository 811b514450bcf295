// Vorbis comments into the player's slots, and the Ogg stream decoder over arbitrary bytes.
// The first byte picks the path: comment texts read directly; the bytes as Ogg pages with a
// valid identification header and a fuzzed comment header (so the comment header parser and
// the slot decoding run behind real page framing); or the raw bytes as a stream.
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include <ogg/ogg.h>

#include "engine/input/ogg_stream_decoder.h"
#include "engine/input/vorbis_comments.h"

namespace {

void CheckSlots(const vl::OggComments& slots) {
    for (const auto& slot : slots.slot)
        if (wcsnlen(slot, vl::kOggSlotChars) >= static_cast<size_t>(vl::kOggSlotChars)) __builtin_trap();
    vl::TagInfo tags{};
    vl::CommentsToTags(slots, tags);
}

void ReadCommentList(const uint8_t* data, size_t size) {
    std::vector<std::string> texts(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == '\n') texts.emplace_back();
        else texts.back() += static_cast<char>(data[i]);
    }
    std::vector<char*> pointers;
    std::vector<int> lengths;
    for (auto& t : texts) {
        pointers.push_back(&t[0]);
        lengths.push_back(static_cast<int>(t.size()));
    }
    vorbis_comment vc{};
    vc.user_comments = pointers.data();
    vc.comment_lengths = lengths.data();
    vc.comments = static_cast<int>(texts.size());
    vl::OggComments slots;
    vl::ReadOggComments(&vc, slots);
    CheckSlots(slots);
}

void Put32(std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::string IdentificationHeader(uint8_t seed) {
    std::string h("\x01vorbis", 7);
    Put32(h, 0);                             // version
    h += static_cast<char>(1 + (seed & 1));  // channels
    Put32(h, (seed & 2) ? 44100 : 8000);     // rate
    Put32(h, 0);
    Put32(h, 96000);
    Put32(h, 0);
    h += static_cast<char>(0xB8);  // block sizes 256 and 2048
    h += static_cast<char>(1);     // framing
    return h;
}

// The library's header parser, then the slots, over the two first packets.
void ReadHeaders(std::string& id, std::string& comments) {
    vorbis_info vi;
    vorbis_comment vc;
    vorbis_info_init(&vi);
    vorbis_comment_init(&vc);
    ogg_packet p{};
    p.packet = reinterpret_cast<unsigned char*>(&id[0]);
    p.bytes = static_cast<long>(id.size());
    p.b_o_s = 1;
    if (vorbis_synthesis_headerin(&vi, &vc, &p) == 0) {
        p.packet = reinterpret_cast<unsigned char*>(&comments[0]);
        p.bytes = static_cast<long>(comments.size());
        p.b_o_s = 0;
        p.packetno = 1;
        if (vorbis_synthesis_headerin(&vi, &vc, &p) == 0) {
            vl::OggComments slots;
            vl::ReadOggComments(&vc, slots);
            CheckSlots(slots);
        }
    }
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
}

// A well-formed comment header whose comments are the '\n'-separated texts of `list`.
std::string CommentHeader(const std::string& list) {
    std::vector<std::string> texts(1);
    for (char c : list) {
        if (c == '\n') texts.emplace_back();
        else texts.back() += c;
    }
    std::string h("\x03vorbis", 7);
    Put32(h, 0);  // vendor
    Put32(h, static_cast<uint32_t>(texts.size()));
    for (const auto& t : texts) {
        Put32(h, static_cast<uint32_t>(t.size()));
        h += t;
    }
    h += '\x01';
    return h;
}

// The bytes up to the first '|' become the comments; the rest are packets split at '|'
// (the first of them is taken as the setup header), framed into pages with valid checksums.
std::string AsOggPages(const uint8_t* data, size_t size) {
    std::vector<std::string> packets{IdentificationHeader(size ? data[0] : 0), std::string()};
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == '|') packets.emplace_back();
        else packets.back() += static_cast<char>(data[i]);
    }
    packets[1] = CommentHeader(packets[1]);
    ReadHeaders(packets[0], packets[1]);
    ogg_stream_state os;
    ogg_stream_init(&os, 1234);
    std::string out;
    ogg_page page;
    for (size_t i = 0; i < packets.size(); ++i) {
        ogg_packet p{};
        p.packet = reinterpret_cast<unsigned char*>(&packets[i][0]);
        p.bytes = static_cast<long>(packets[i].size());
        p.b_o_s = i == 0;
        p.e_o_s = i + 1 == packets.size();
        p.packetno = static_cast<ogg_int64_t>(i);
        p.granulepos = i < 3 ? 0 : static_cast<ogg_int64_t>(i) * 128;
        ogg_stream_packetin(&os, &p);
        while (i < 2 ? ogg_stream_flush(&os, &page) : ogg_stream_pageout(&os, &page)) {
            out.append(reinterpret_cast<char*>(page.header), static_cast<size_t>(page.header_len));
            out.append(reinterpret_cast<char*>(page.body), static_cast<size_t>(page.body_len));
        }
    }
    while (ogg_stream_flush(&os, &page)) {
        out.append(reinterpret_cast<char*>(page.header), static_cast<size_t>(page.header_len));
        out.append(reinterpret_cast<char*>(page.body), static_cast<size_t>(page.body_len));
    }
    ogg_stream_clear(&os);
    return out;
}

void DecodeStream(const std::string& bytes) {
    vl::OggStreamDecoder* d = vl::OggStreamDecoder::Create();
    if (!d) return;
    size_t pos = 0;
    auto supply = [&] {
        size_t n = std::min<size_t>(static_cast<size_t>(d->Wanted()), bytes.size() - pos);
        std::memcpy(d->InputWindow(), bytes.data() + pos, n);
        pos += n;
        return static_cast<int>(n);
    };
    bool started = false;
    while (!started && pos < bytes.size()) started = d->Start(supply());
    std::vector<uint8_t> out(4608);
    for (long calls = 0; started; ++calls) {
        if (calls > 1000000) __builtin_trap();  // a decoder that never asks for input again
        int supplied = 0;
        if (d->Wanted() > 0) {
            if (pos >= bytes.size()) break;
            supplied = supply();
        }
        uint32_t written = 0;
        int r = d->Decode(out.data(), static_cast<uint32_t>(out.size()), written, supplied);
        if (written > out.size()) __builtin_trap();
        vl::OggComments slots;
        d->GetComments(slots);
        CheckSlots(slots);
        if (r == vl::OggStreamDecoder::kError) break;
    }
    vl::OggStreamDecoder::Destroy(d);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    switch (data[0] % 3) {
        case 0: ReadCommentList(data + 1, size - 1); break;
        case 1: DecodeStream(AsOggPages(data + 1, size - 1)); break;
        default: DecodeStream(std::string(reinterpret_cast<const char*>(data + 1), size - 1)); break;
    }
    return 0;
}
