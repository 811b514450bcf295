#pragma once
// Network stream reader: HTTP/ICY connections for internet radio (not yet available).

namespace vl {

class NetStreamReader {};

}  // namespace vl
