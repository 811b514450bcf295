// Placeholder until the receive side of the stream reader lands: delete this file when
// net_stream_reader.cpp defines the reader.
#include "settings/net_stream_reader.h"

namespace vl {
NetStreamReader::NetStreamReader() = default;
NetStreamReader::~NetStreamReader() = default;
}  // namespace vl
