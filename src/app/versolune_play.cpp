// Terminal player on the engine.
#include <cstdio>

int main() {
    std::fprintf(stderr, "versolune-play: not ready\n");
    return 2;
}
