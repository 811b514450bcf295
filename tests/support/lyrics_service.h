#pragma once
// Runs the built versolune-lyricsd on 127.0.0.1 with a free port over a library folder, with
// its index in a fresh temporary folder, for the length of a test.
#include <string>
#include <vector>

namespace vl::test {

class LyricsService {
public:
    // options: more command-line options (--users FILE, --public-url URL, ...).
    explicit LyricsService(const std::string& library, const std::vector<std::string>& options = {});
    ~LyricsService();
    LyricsService(const LyricsService&) = delete;
    LyricsService& operator=(const LyricsService&) = delete;

    bool Started() const { return port_ > 0; }
    int Port() const { return port_; }
    // What the service printed first ("listening on http://127.0.0.1:PORT").
    const std::string& FirstLine() const { return firstLine_; }
    // "http://127.0.0.1:PORT" followed by pathAndQuery.
    std::string Url(const std::string& pathAndQuery = "") const;
    void Stop();

private:
    int pid_ = -1;
    int port_ = 0;
    std::string firstLine_;
};

}  // namespace vl::test
