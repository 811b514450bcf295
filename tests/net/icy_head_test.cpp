// The text side of stream connections: targets, the request, the response head, and the
// removal of in-band metadata, all without sockets.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/message_sink.h"
#include "platform/text.h"
#include "engine/input/icy_head.h"
#include "engine/input/net_stream_reader.h"

namespace vl {
namespace {

TEST(IcyTarget, HostPortAndRequestTarget) {
    struct Row {
        const char* url;
        bool useProxy;
        const char* proxy;
        bool ok;
        const char* host;
        int port;
        const char* target;
    } rows[] = {
        {"http://radio.test:8000/live", false, "", true, "radio.test", 8000, "/live"},
        {"http://radio.test", false, "", true, "radio.test", 80, "/"},
        {"http://radio.test/a/b?c=d", false, "", true, "radio.test", 80, "/a/b?c=d"},
        {"http://radio.test:/x", false, "", true, "radio.test", 80, "/x"},
        {"radio.test:81/y", false, "", true, "radio.test", 81, "/y"},  // redirect targets lack the prefix
        {"http://radio.test:8000/live", true, "proxy.test:3128", true, "proxy.test", 3128, "http://radio.test:8000/live"},
        {"http://radio.test:8000/live", true, "http://proxy.test:3128/", true, "proxy.test", 3128, "http://radio.test:8000/live"},
        {"http://radio.test:8000/live", true, "proxy.test", true, "proxy.test", 80, "http://radio.test:8000/live"},
        {"http://radio.test:8000/live", true, "", true, "radio.test", 8000, "/live"},  // empty proxy: direct
        {"http://radio.test:8000/live", false, "proxy.test:3128", true, "radio.test", 8000, "/live"},
        {"", false, "", false, "", 0, ""},
        {"http://", false, "", false, "", 0, ""},
        {"http://:8000/x", false, "", false, "", 0, ""},
        {"http://radio.test:0/", false, "", false, "", 0, ""},
        {"http://radio.test:70000/", false, "", false, "", 0, ""},
        {"http://radio.test:99999999999999999999/", false, "", false, "", 0, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.url);
        IcyTarget target;
        ASSERT_EQ(ResolveIcyTarget(row.url, row.useProxy, row.proxy, target), row.ok);
        if (!row.ok) continue;
        EXPECT_EQ(target.host, row.host);
        EXPECT_EQ(target.port, row.port);
        EXPECT_EQ(target.requestTarget, row.target);
    }
}

TEST(IcyTarget, RequestText) {
    IcyTarget target{"radio.test", 8000, "/live"};
    EXPECT_EQ(BuildIcyRequest(target, "Versolune (Linux)"),
              "GET /live HTTP/1.0\r\nHost: radio.test\r\nAccept: */*\r\nIcy-MetaData:1\r\n"
              "User-Agent: Versolune (Linux)\r\n\r\n");
}

// Feeds text to a head reader in the given piece sizes (the last size repeats).
IcyHeadReader::Step FeedHead(IcyHeadReader& reader, const std::string& text, std::vector<size_t> pieces) {
    size_t at = 0, i = 0;
    IcyHeadReader::Step step = IcyHeadReader::Step::NeedMore;
    while (at < text.size() && step == IcyHeadReader::Step::NeedMore) {
        size_t n = std::min({pieces[std::min(i++, pieces.size() - 1)], text.size() - at, reader.SpaceLeft()});
        std::memcpy(reader.Space(), text.data() + at, n);
        at += n;
        step = reader.Commit(n);
    }
    return step;
}

TEST(IcyHead, StatusAndBound) {
    using Step = IcyHeadReader::Step;
    const std::string blank = "\r\n\r\n";
    struct Row {
        std::string text;
        std::vector<size_t> pieces;
        Step step;
        int status;
    } rows[] = {
        {"ICY 200 OK" + blank, {4096}, Step::Done, 200},
        {"HTTP/1.0 200 OK" + blank, {4096}, Step::Done, 200},
        {"HTTP/1.1 302 Found\r\nLocation: http://b/" + blank, {4096}, Step::Done, 302},
        {"HTTP/1.0 404 Not Found" + blank, {4096}, Step::Failed, 404},
        {"ICY 200 OK" + blank, {2, 4096}, Step::Failed, -1},   // first piece ends inside the word
        {"ICY 200 OK" + blank, {4, 4096}, Step::Failed, -1},   // ... or before the code
        {"ICY 200 OK" + blank, {10, 1}, Step::Done, 200},      // the rest a byte at a time
        {"ICY 200 OK\r\n", {4096}, Step::NeedMore, 200},
        {"ICY OK 200" + blank, {4096}, Step::Failed, -1},
        {"ICY -200" + blank, {4096}, Step::Failed, -1},
        {"ICY 99999999999999999999200" + blank, {4096}, Step::Failed, -1},
        {std::string("\0ICY 200", 8) + blank, {4096}, Step::Failed, -1},
        {"", {4096}, Step::NeedMore, 0},
        {"ICY 200 OK\r\n" + std::string(2035, 'x') + blank, {4096}, Step::Failed, 200},  // 2047 without the end
        {"ICY 200 OK\r\n" + std::string(2031, 'x') + blank, {4096}, Step::Done, 200},    // ends at byte 2047
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text.substr(0, 40));
        IcyHeadReader reader;
        EXPECT_EQ(FeedHead(reader, row.text, row.pieces), row.step);
        if (!row.text.empty()) {
            EXPECT_EQ(reader.Head().status, row.status);
        }
    }
}

TEST(IcyHead, StationHeadersAndBody) {
    IcyHeadReader reader;
    std::string head =
        "ICY 200 OK\r\nicy-name:  Radio One\r\nicy-genre:Jazz\r\nice-genre: Blues\r\n"
        "icy-url:\r\nicy-metaint:16000\r\n\r\nBODY";
    ASSERT_EQ(FeedHead(reader, head, {4096}), IcyHeadReader::Step::Done);
    const IcyHead& h = reader.Head();
    EXPECT_TRUE(h.hasStationHeaders);
    EXPECT_EQ(h.name, "Radio One");
    EXPECT_EQ(h.genre, "Blues");  // ice- wins over icy-
    EXPECT_FALSE(h.hasUrl);       // an empty value stores nothing
    EXPECT_EQ(h.metaInterval, 16000);
    EXPECT_EQ(std::string(reader.Body(), reader.BodyLength()), "BODY");
}

TEST(IcyHead, HostileValues) {
    struct Row {
        std::string headers;
        bool station;
        size_t nameLength;
        int metaInterval;
        std::string location;
    } rows[] = {
        {"icy-name:" + std::string(1500, 'n') + "\r\n", true, 256, 0, ""},
        {"icy-name:" + std::string(300, ' ') + "\r\n", true, 0, 0, ""},
        {"icy-name", true, 0, 0, ""},  // the name ends the head text
        {"icy-metaint:-5\r\n", false, 0, 0, ""},
        {"icy-metaint:99999999999999999999\r\n", false, 0, 2147483647, ""},
        {"icy-metaint:x\r\n", false, 0, 0, ""},
        {"Location: " + std::string(1000, 'L') + "\r\n", false, 0, 0, std::string(256, 'L')},
        {"Location: \r\n", false, 0, 0, ""},
        {std::string("icy-name:a\0b\r\n", 14), true, 1, 0, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.headers.substr(0, 30));
        IcyHead head;
        std::string text = "ICY 200 OK\r\n" + row.headers + "\r\n\r\n";
        ParseIcyHeaders(text.data(), text.size(), head);
        EXPECT_EQ(head.hasStationHeaders, row.station);
        EXPECT_EQ(head.name.size(), row.nameLength);
        EXPECT_EQ(head.metaInterval, row.metaInterval);
        EXPECT_EQ(head.location, row.location);
    }
}

// A metadata block for `text`: the length byte, then the text padded to whole 16-byte units.
std::string MetaBlock(const std::string& text, size_t units = 0) {
    if (units == 0) units = (text.size() + 15) / 16;
    std::string block(1, static_cast<char>(units));
    block += text.substr(0, units * 16);
    block.resize(1 + units * 16, '\0');
    return block;
}

struct TitleRow {
    std::string text;
    bool ok;
    std::wstring title;
};

TEST(StreamTitle, FromCompleteBlock) {
    TitleRow rows[] = {
        {"StreamTitle='Artist - Song';StreamUrl='';", true, L"Artist - Song"},
        {"StreamTitle='';", true, L""},
        {"StreamTitle=';", true, L""},
        {"StreamTitle=';StreamUrl='x';", true, L""},
        {"StreamTitle='No end'", false, L""},
        {"StreamUrl='x';", false, L""},
        {"StreamTitle=", false, L""},
        {"StreamTitle='" + std::string(600, 'a') + "';", true, std::wstring(259, L'a')},
    };
    for (const TitleRow& row : rows) {
        SCOPED_TRACE(row.text.substr(0, 40));
        NetStreamReader reader;
        reader.SetMetaInterval(4);
        std::string piece = "abcd" + MetaBlock(row.text) + "efgh";
        EXPECT_EQ(reader.StripMetadata(reinterpret_cast<uint8_t*>(&piece[0]), piece.size()),
                  piece.size() - 8);
        EXPECT_EQ(piece.substr(0, 8), "abcdefgh");
        std::wstring title;
        EXPECT_EQ(reader.GetStreamTitle(title), row.ok);
        EXPECT_EQ(title, row.title);
    }
}

// Builds audio with metadata after every `interval` bytes; returns the stream and fills `audio`.
std::string BuildStream(int interval, int blocks, std::string& audio, std::mt19937& rng) {
    std::string stream;
    const size_t unitsByBlock[] = {0, 2, 3, 0, 255, 2};
    for (int b = 0; b < blocks; ++b) {
        for (int i = 0; i < interval; ++i) {
            char c = static_cast<char>(rng());
            audio += c;
            stream += c;
        }
        size_t units = unitsByBlock[b % 6];
        std::string text = "StreamTitle='Title " + std::to_string(b) + "';";
        stream += units == 0 ? std::string(1, '\0') : MetaBlock(text, units);
    }
    return stream;
}

TEST(StripMetadata, NoMetadataByteReachesTheAudio) {
    const int intervals[] = {1, 2, 16, 100, 16000};
    const size_t pieceSizes[] = {1, 2, 3, 17, 2048, 100000};
    for (int interval : intervals)
        for (size_t pieceSize : pieceSizes) {
            SCOPED_TRACE("interval " + std::to_string(interval) + " piece " + std::to_string(pieceSize));
            std::mt19937 rng(interval * 7 + static_cast<int>(pieceSize));
            std::string audio;
            std::string stream = BuildStream(interval, 12, audio, rng);
            NetStreamReader reader;
            MessageQueue queue;
            reader.SetNotifyWindow(&queue);
            reader.SetMetaInterval(interval);
            std::string out;
            for (size_t at = 0; at < stream.size(); at += pieceSize) {
                std::string piece = stream.substr(at, pieceSize);
                uint32_t removed = reader.StripMetadata(reinterpret_cast<uint8_t*>(&piece[0]), piece.size());
                ASSERT_LE(removed, piece.size());
                out += piece.substr(0, piece.size() - removed);
            }
            EXPECT_EQ(out, audio);
            // Blocks 1, 2, 4, 5, 7, 8, 10, 11 carry text; the last one is the title.
            std::wstring title;
            EXPECT_TRUE(reader.GetStreamTitle(title));
            EXPECT_EQ(title, L"Title 11");
            // One title per piece that completed a block: never more posts than text blocks.
            size_t posts = queue.Size();
            EXPECT_GE(posts, 1u);
            EXPECT_LE(posts, 8u);
            if (pieceSize < static_cast<size_t>(interval)) {
                EXPECT_EQ(posts, 8u);
            }
        }
}

TEST(StripMetadata, EmptyBlockIsOneByteAndKeepsTheTitle) {
    NetStreamReader reader;
    reader.SetMetaInterval(2);
    std::string piece = "ab" + MetaBlock("StreamTitle='Kept';") + "cd" + std::string(1, '\0') + "ef";
    uint32_t removed = reader.StripMetadata(reinterpret_cast<uint8_t*>(&piece[0]), piece.size());
    EXPECT_EQ(removed, 33u + 1u);
    EXPECT_EQ(piece.substr(0, 6), "abcdef");
    std::wstring title;
    EXPECT_TRUE(reader.GetStreamTitle(title));
    EXPECT_EQ(title, L"Kept");
}

TEST(StripMetadata, LongestBlockSplitAcrossPiecesGivesItsTitle) {
    NetStreamReader reader;
    MessageQueue queue;
    reader.SetNotifyWindow(&queue);
    reader.SetMetaInterval(3);
    std::string stream = "xyz" + MetaBlock("StreamTitle='Far';", 255) + "uvw";
    ASSERT_EQ(stream.size(), 3u + kMaxMetaBlock + 3u);
    std::string out;
    std::wstring title;
    for (size_t at = 0; at < stream.size(); at += 1000) {
        EXPECT_FALSE(reader.GetStreamTitle(title)) << "title before the block is whole";
        std::string piece = stream.substr(at, 1000);
        uint32_t removed = reader.StripMetadata(reinterpret_cast<uint8_t*>(&piece[0]), piece.size());
        out += piece.substr(0, piece.size() - removed);
    }
    EXPECT_EQ(out, "xyzuvw");
    EXPECT_TRUE(reader.GetStreamTitle(title));
    EXPECT_EQ(title, L"Far");
    Message m;
    ASSERT_TRUE(queue.Get(m, 0));
    EXPECT_EQ(m.message, WM_ENGINE_TITLE);
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(m.wParam)), L"Far");
    EXPECT_EQ(queue.Size(), 0u);
}

TEST(StreamSettings, BufferAndPrebufferRules) {
    NetStreamReader reader;
    EXPECT_FALSE(reader.SetBufferBlocks(1));
    EXPECT_FALSE(reader.SetPrebufferBlocks(1));
    EXPECT_FALSE(reader.SetPrebufferBlocks(33));
    EXPECT_TRUE(reader.SetPrebufferBlocks(20));
    EXPECT_TRUE(reader.SetBufferBlocks(8));
    EXPECT_EQ(reader.GetBufferBlocks(), 8);
    EXPECT_EQ(reader.GetPrebufferBlocks(), 8);  // lowered with the buffer
    EXPECT_FALSE(reader.SetUrl(L"https://radio.test/"));
    EXPECT_FALSE(reader.SetUrl(L"HTTP://radio.test/"));
    EXPECT_TRUE(reader.SetUrl(L"http://radio.test/"));
    uint32_t total = 1, filled = 1;
    EXPECT_EQ(reader.GetBufferState(total, filled), 0);
    EXPECT_EQ(total + filled, 0u);
}

}  // namespace
}  // namespace vl
