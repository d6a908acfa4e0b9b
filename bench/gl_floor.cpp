// The memory floor of drawing with OpenGL on this machine: a plain SDL2 window with an
// OpenGL context, none of the engine, drawing every kind of thing the OpenGL renderer draws
// (textured quads, sharp, filtered and mipmapped, in each blend mode with and without the
// alpha test, plain quads, smoothed lines and points) at 60 frames a second until it is killed.
//
// A window that only clears costs far less than one that draws: a software rasteriser
// (Mesa's llvmpipe) compiles a shader for each state it meets and pages in its compiler to
// do so. bench_startup measures this program beside the game, so that what the game holds
// above it is ours.
#include <SDL.h>
#include <SDL_opengl.h>

#include <cmath>
#include <cstdio>
#include <vector>

namespace {

GLuint MakeTexture(int size, GLint minFilter, GLint magFilter, bool mipmapped) {
    std::vector<unsigned char> pixels(static_cast<size_t>(size) * size * 4);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<unsigned char>(i * 37);
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magFilter);
    for (int level = 0, s = size;; ++level, s /= 2) {
        glTexImage2D(GL_TEXTURE_2D, level, GL_RGBA8, s, s, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     pixels.data());
        if (!mipmapped || s == 1) break;
    }
    return name;
}

void SetBlend(int mode) {
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_BLEND);
    switch (mode) {
        case 0:
            break;  // solid
        case 1:     // masked
            glEnable(GL_ALPHA_TEST);
            glAlphaFunc(GL_GEQUAL, 0.5f);
            break;
        case 2:
            glEnable(GL_BLEND);
            glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
            break;
        case 3:
            glEnable(GL_BLEND);
            glBlendFunc(GL_SRC_ALPHA, GL_ONE);
            break;
        default:
            glEnable(GL_BLEND);
            glBlendFunc(GL_DST_COLOR, GL_ZERO);
            break;
    }
}

void Quad(float x, float y, float size, float turn) {
    const float c = std::cos(turn) * size, s = std::sin(turn) * size;
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(x - c + s, y - s - c);
    glTexCoord2f(1, 0);
    glVertex2f(x + c + s, y + s - c);
    glTexCoord2f(1, 1);
    glVertex2f(x + c - s, y + s + c);
    glTexCoord2f(0, 1);
    glVertex2f(x - c - s, y - s + c);
    glEnd();
}

}  // namespace

int main() {
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "bench_gl_floor: %s\n", SDL_GetError());
        return 1;
    }
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 1);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 1);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 1);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    SDL_Window* window =
        SDL_CreateWindow("floor", 32, 32, 800, 600, SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE);
    SDL_GLContext context = window ? SDL_GL_CreateContext(window) : nullptr;
    if (!context) {
        std::fprintf(stderr, "bench_gl_floor: %s\n", SDL_GetError());
        return 1;
    }
    glMatrixMode(GL_PROJECTION);
    glOrtho(0, 800, 600, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);

    const GLuint textures[] = {MakeTexture(64, GL_NEAREST, GL_NEAREST, false),
                               MakeTexture(64, GL_LINEAR, GL_LINEAR, false),
                               MakeTexture(64, GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR, true),
                               MakeTexture(64, GL_NEAREST_MIPMAP_NEAREST, GL_NEAREST, true)};

    for (int frame = 0;; ++frame) {
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
            if (event.type == SDL_QUIT) return 0;
        }
        glClearColor(0.1f, 0.2f, 0.3f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        const float turn = static_cast<float>(frame) * 0.01f;
        // Every state twice: with the whole window, and scissored to a viewport.
        for (int pass = 0; pass < 2; ++pass) {
            if (pass == 1) {
                glEnable(GL_SCISSOR_TEST);
                glScissor(100, 100, 600, 400);
            }
            for (int mode = 0; mode < 5; ++mode) {
                SetBlend(mode);
                glColor4ub(255, 200, 150, 160);
                glEnable(GL_TEXTURE_2D);
                for (int t = 0; t < 4; ++t) {
                    glBindTexture(GL_TEXTURE_2D, textures[t]);
                    Quad(60.0f + 150.0f * mode, 60.0f + 120.0f * t, 20.0f + 10.0f * t, turn);
                }
                glDisable(GL_TEXTURE_2D);
                Quad(100.0f + 150.0f * mode, 540.0f, 25.0f, -turn);
                glLineWidth(1.0f + static_cast<float>(mode));
                // The game's lines are smoothed.
                glEnable(GL_LINE_SMOOTH);
                glBegin(GL_LINES);
                glVertex2f(10.0f + 150.0f * mode, 10.0f);
                glVertex2f(140.0f + 150.0f * mode, 590.0f);
                glEnd();
                glDisable(GL_LINE_SMOOTH);
                glBegin(GL_POINTS);
                glVertex2f(75.5f + 150.0f * mode, 300.5f);
                glEnd();
            }
            glDisable(GL_SCISSOR_TEST);
        }
        SDL_GL_SwapWindow(window);
        SDL_Delay(16);
    }
}
