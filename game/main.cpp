// The executable: runs the game and turns a run-time error into a message and an exit code.
#include <cstdio>
#include <exception>

#include "game/game_main.h"
#include "runtime/errors.h"

int main() {
    try {
        game::GameMain();
    } catch (const vdl::TVardoException& e) {
        std::fprintf(stderr, "candycane-arena: %s\n", e.what());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "candycane-arena: %s\n", e.what());
        return 1;
    }
}
