// The game's world: the globals every family reaches, and one frame of play.
//
// Start-up creates everything here once and it lives for the whole run: the player, the seven
// entity lists, the level number, the sound switch, the images (by the file they come from),
// the three fonts, the two sounds and the music channel. GameFrame runs the per-frame passes
// in their fixed order; every pass updates, draws and collision-tests its family in one go.
//
// Also here: the list walk every pass uses, and the millisecond timer test.
#pragma once

#include <memory>

#include "audio/sound.h"
#include "collections/list.h"
#include "graphics/image.h"
#include "graphics/image_font.h"
#include "runtime/math.h"
#include "system/clock.h"

namespace game {

class Tplayer;

// Every image of the game, named for the file it is loaded from.
struct GameImages {
    vdl::ImageRef candycane;    // "candycane.png": the player, the HUD's lives
    vdl::ImageRef target;       // "target.png": the aiming cross
    vdl::ImageRef snowman;      // "snowman.png"
    vdl::ImageRef tree;         // "tree.png"
    vdl::ImageRef hat;          // "hat.png"
    vdl::ImageRef whitestar;    // "whitestar.png": particles
    vdl::ImageRef present;      // "present.png"
    vdl::ImageRef ball;         // "ball.png": enemy straight bullet
    vdl::ImageRef port;         // "port.png": large snowball
    vdl::ImageRef bell;         // "bell.png"
    vdl::ImageRef gingerbread;  // "gingerbread.png"
    vdl::ImageRef homing;       // "homing.png": player's homing bullet
    vdl::ImageRef redBall;      // "red ball.png": player's straight bullet
    vdl::ImageRef ornament;     // "ornament.png"
    vdl::ImageRef wreath;       // "wreath.png"
    vdl::ImageRef enemyHoming;  // "enemyhoming.png"
    vdl::ImageRef spawn;        // "spawn.png"
    vdl::ImageRef directions;   // "directions.png": anchored at its top-left corner
    vdl::ImageRef title;        // "title.png": anchored at its top-left corner
};

// The arena: what the game plays in and draws on, in arena pixels (the window scales it).
constexpr int kArenaWidth = 800;
constexpr int kArenaHeight = 600;
// The same as the playfield's bounds for positions.
constexpr float kFieldWidth = kArenaWidth;
constexpr float kFieldHeight = kArenaHeight;

// The game's keys (virtual-key codes) and mouse buttons.
constexpr int kKeyEscape = 27;
constexpr int kKeyA = 65;
constexpr int kKeyD = 68;
constexpr int kKeyP = 80;
constexpr int kKeyS = 83;
constexpr int kKeyW = 87;
constexpr int kLeftButton = 1;
constexpr int kRightButton = 2;

// Sound switch values.
constexpr int kSoundOn = 1;
constexpr int kSoundOff = 2;

extern GameImages images;
extern std::shared_ptr<Tplayer> player;
extern vdl::ListRef bulletList;    // Tbullet: both sides' shots
extern vdl::ListRef particleList;  // Tparticle
extern vdl::ListRef snowballList;  // Tport
extern vdl::ListRef enemyList;     // TEnemy: enemies, spawn points, bosses
extern vdl::ListRef buttonList;    // TButton
extern vdl::ListRef presentList;   // TPresent on the field
extern vdl::ListRef messageList;   // TMessage
extern int levelNumber;            // 1..21 in play, 22 for the win screen, 0 after a reset
extern int soundOn;                // kSoundOn, or anything else for off
extern vdl::SoundRef musicSound;
extern vdl::SoundRef bellSound;
extern vdl::ChannelRef musicChannel;
extern vdl::ImageFontRef font32, font28, font24;

// Registers every embedded game asset under its file name, in table order.
void RegisterGameAssets();

// Loads every resource: BeginLoadingSounds, LoadImagesAndFonts, FinishLoadingSounds. Each
// raises a run-time error naming the first asset that does not decode.
void LoadGameResources();

// Starts decoding the music and the bell, each on a thread of its own: the music alone takes
// longer to decode than the images, the fonts and the window together.
void BeginLoadingSounds();

// True when FinishLoadingSounds would not wait: both sounds are decoded. A page, which has no
// threads, decodes the next slice of them here (a few milliseconds) once their files have
// arrived.
bool SoundsDecoded();

// Waits for the two sounds (their files first), makes them, then the music channel. Does nothing
// when no decoding is under way, so the sounds and channel of an earlier call are kept.
void FinishLoadingSounds();

// BeginLoadingImages, LoadFonts, FinishLoadingImages.
void LoadImagesAndFonts();

// Starts loading the images (automatic centred anchors, yellow mask) on two threads of their
// own, which take the next image of the table in turn.
void BeginLoadingImages();

// Loads the three fonts.
void LoadFonts();

// Waits for the images and stores them, and anchors the two full-screen pictures at their
// corner. Does nothing when no loading is under way, so the images of an earlier call are
// kept. An image whose file had not arrived when its turn came (a page fetches its directions
// picture after the first menu frame) is left empty for LoadImageOnFirstUse. Where the
// loaders are deferred to here (a page, which has no threads), the images are decoded here
// one after another, then their textures made for the current renderer, with the clock's
// YieldIfBusy after each.
void FinishLoadingImages();

// Loads the image of slot if start-up left it empty, waiting for its file to arrive.
void LoadImageOnFirstUse(vdl::ImageRef GameImages::*slot);

// Creates the seven lists empty, sets the level number to 1 and the sound switch to off.
void CreateWorld();

// One frame of play: every update and draw in the fixed order.
void GameFrame();

// Whether a millisecond timer is due: Millis() > last + delay, the sum wrapping in 32 bits.
inline bool TimerDue(int last, int delay) {
    return vdl::Millis() > vdl::WrapAdd(last, delay);
}

// Walks list with its walker and calls visit(T&) for every value of class T, in order.
// NOTE: the walker's rules hold: a value removed before it is reached is skipped, and a value
// appended during the walk is visited, unless it was appended while the last value was being
// visited (the walk has already reached the end then).
template <class T, class Visit>
void ForEach(vdl::TList& list, Visit&& visit) {
    vdl::TListEnum walker = list.Walker();
    while (walker.HasMore()) {
        const vdl::ObjectRef value = walker.Take();
        if (T* object = dynamic_cast<T*>(value.get())) visit(*object);
    }
}

// A family's pass: live objects of class T run Update; dead ones are removed from the list and
// handed to removed(T&).
template <class T, class Removed>
void RunPass(vdl::TList& list, Removed&& removed) {
    vdl::TListEnum walker = list.Walker();
    while (walker.HasMore()) {
        const vdl::ObjectRef value = walker.Take();
        T* object = dynamic_cast<T*>(value.get());
        if (!object) continue;
        if (object->alive == 1) {
            object->Update();
        } else {
            list.RemoveItem(value);
            removed(*object);
        }
    }
}

template <class T>
void RunPass(vdl::TList& list) {
    RunPass<T>(list, [](T&) {});
}

}  // namespace game
