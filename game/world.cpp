// The game's world: globals, resources and one frame of play.
#include "game/world.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <exception>
#include <future>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "audio/ogg_loader.h"
#include "audio/sample.h"
#include "audio/sound.h"
#include "game/arena.h"
#include "game/assets.h"
#include "game/bullets.h"
#include "game/enemies.h"
#include "game/menu.h"
#include "game/pickups.h"
#include "game/player.h"
#include "graphics/drawing.h"
#include "runtime/errors.h"
#include "runtime/math.h"
#include "stream/embedded.h"
#include "stream/url.h"
#include "system/clock.h"
#include "system/polled_input.h"
#include "system/system_driver.h"

namespace game {

GameImages images;
std::shared_ptr<Tplayer> player;
vdl::ListRef bulletList;
vdl::ListRef particleList;
vdl::ListRef snowballList;
vdl::ListRef enemyList;
vdl::ListRef buttonList;
vdl::ListRef presentList;
vdl::ListRef messageList;
int levelNumber = 1;
int soundOn = kSoundOff;
vdl::SoundRef musicSound;
vdl::SoundRef bellSound;
vdl::ChannelRef musicChannel;
vdl::ImageFontRef font32, font28, font24;

namespace {
constexpr int kAutoFlags = -1;  // masked and filtered

// The images in loading order, with their load flags.
struct ImageEntry {
    const char* file;
    int flags;
    vdl::ImageRef GameImages::*slot;
};
const ImageEntry kImageTable[] = {
    {"candycane.png", vdl::FILTERED_IMAGE | vdl::MIPMAPPED_IMAGE, &GameImages::candycane},
    {"target.png", vdl::FILTERED_IMAGE, &GameImages::target},
    {"snowman.png", kAutoFlags, &GameImages::snowman},
    {"tree.png", vdl::FILTERED_IMAGE, &GameImages::tree},
    {"hat.png", vdl::FILTERED_IMAGE, &GameImages::hat},
    {"whitestar.png", kAutoFlags, &GameImages::whitestar},
    {"present.png", kAutoFlags, &GameImages::present},
    {"ball.png", kAutoFlags, &GameImages::ball},
    {"port.png", kAutoFlags, &GameImages::port},
    {"bell.png", vdl::FILTERED_IMAGE, &GameImages::bell},
    {"gingerbread.png", vdl::FILTERED_IMAGE, &GameImages::gingerbread},
    {"homing.png", vdl::FILTERED_IMAGE, &GameImages::homing},
    {"red ball.png", kAutoFlags, &GameImages::redBall},
    {"ornament.png", vdl::FILTERED_IMAGE, &GameImages::ornament},
    {"wreath.png", vdl::FILTERED_IMAGE, &GameImages::wreath},
    {"enemyhoming.png", vdl::FILTERED_IMAGE, &GameImages::enemyHoming},
    {"spawn.png", kAutoFlags, &GameImages::spawn},
    {"directions.png", kAutoFlags, &GameImages::directions},
    {"title.png", kAutoFlags, &GameImages::title},
};

constexpr const char* kFontUrl = "incbin::santbsb_.ttf";

// A sound being decoded on a thread of its own, or, on a page, a slice at a time.
struct SoundLoad {
    const char* file;
    std::future<std::shared_ptr<vdl::TAudioSample>> sample;
    std::unique_ptr<vdl::TOggDecoding> slices;
};
SoundLoad musicLoad{"christmas.ogg", {}, nullptr};
SoundLoad bellLoad{"bell.ogg", {}, nullptr};

constexpr int kImageCount = static_cast<int>(std::size(kImageTable));
constexpr int kImageLoaders = 2;

// The images being loaded: each loader takes the next entry of the table until none is left.
// Each slot is written by one loader only and read once both have finished.
struct ImageLoad {
    std::atomic<int> next{0};
    bool late[kImageCount] = {};  // its file had not arrived: loaded on first use
    vdl::ImageRef loaded[kImageCount];
    std::exception_ptr error[kImageCount];
    std::vector<std::future<void>> loaders;
} imageLoad;

void LoadImageOfTable(int i) {
    imageLoad.late[i] = !vdl::EmbeddedReady(kImageTable[i].file, false);
    if (imageLoad.late[i]) return;
    try {
        imageLoad.loaded[i] =
            vdl::LoadImageFrom(std::string("incbin::") + kImageTable[i].file, kImageTable[i].flags);
    } catch (...) {
        imageLoad.error[i] = std::current_exception();
    }
}

void LoadImagesInTurn() {
    for (int i = imageLoad.next++; i < kImageCount; i = imageLoad.next++)
        LoadImageOfTable(i);
}

// Every asset is compiled in, so one that does not load means a damaged program.
template <class T>
T Required(T loaded, const std::string& file) {
    if (!loaded) vdl::RuntimeError("the embedded asset \"" + file + "\" does not decode");
    return loaded;
}

// The two full-screen pictures are drawn from their top-left corner.
void AnchorIfPicture(vdl::ImageRef GameImages::*slot) {
    if (slot == &GameImages::directions || slot == &GameImages::title) {
        vdl::SetImageAnchor(images.*slot, 0, 0);
    }
}
}  // namespace

void RegisterGameAssets() {
    for (int i = 0; i < vdl::generated::gameAssetsCount; ++i) {
        const vdl::EmbeddedFile& file = vdl::generated::gameAssets[i];
        vdl::RegisterEmbedded(file.name, file.data, file.size);
    }
}

// The samples decode on threads of their own while the images load; a page has no threads,
// so there they decode a slice per menu frame once their files have arrived (SoundsDecoded),
// and what is left when FinishLoadingSounds asks for them.
#if defined(__EMSCRIPTEN__) && !defined(__EMSCRIPTEN_PTHREADS__)
constexpr std::launch kDecodeLaunch = std::launch::deferred;
#else
constexpr std::launch kDecodeLaunch = std::launch::async;
#endif

namespace {
// A slice of decoding per menu frame: short beside the frame, on a phone's slower CPU too.
constexpr double kDecodeSliceMs = 4.0;

// Decodes the next slice of a page's sound; true once it is decoded. Opening the decoder
// (reading the file's headers and setting up its tables) is a slice of its own.
bool DecodeSlice(SoundLoad& load, double maxMs) {
    if (!load.slices) {
        load.slices = std::make_unique<vdl::TOggDecoding>(
            vdl::OpenForReading(std::string("incbin::") + load.file));
        if (maxMs >= 0) return false;
    }
    return load.slices->Step(maxMs);
}
}  // namespace

namespace {
// The program may end while the loaders still run (a quit in the first menu frames, a window
// that does not open, a test or a run of the runner that ends): it waits for them before the
// decoders they use are torn down. A loader deferred to its first use (a page's) has nothing
// running.
// NOTE: waited for at exit, not in an exit routine: the decoders are statics made before the
// loaders start, so what is registered with atexit now runs before they are destroyed, however
// the program ends.
bool waitRegistered = false;

template <class T>
void WaitIfRunning(const std::future<T>& loader) {
    if (loader.valid() &&
        loader.wait_for(std::chrono::seconds(0)) != std::future_status::deferred) {
        loader.wait();
    }
}

void WaitForLoaders() {
    for (const std::future<void>& loader : imageLoad.loaders)
        WaitIfRunning(loader);
    for (const SoundLoad* load : {&musicLoad, &bellLoad})
        WaitIfRunning(load->sample);
}

void RegisterWaitForLoaders() {
    if (waitRegistered) return;
    waitRegistered = true;
    std::atexit(&WaitForLoaders);
}
}  // namespace

void BeginLoadingSounds() {
    RegisterWaitForLoaders();
    for (SoundLoad* load : {&musicLoad, &bellLoad}) {
        load->slices.reset();
        if (kDecodeLaunch == std::launch::deferred) {
            load->sample = std::async(kDecodeLaunch, [load] {
                DecodeSlice(*load, -1);
                std::shared_ptr<vdl::TAudioSample> sample = load->slices->Sample();
                load->slices.reset();
                return sample;
            });
        } else {
            load->sample = std::async(kDecodeLaunch, [file = load->file] {
                return vdl::LoadAudioSample(std::string("incbin::") + file);
            });
        }
    }
}

bool SoundsDecoded() {
    for (SoundLoad* load : {&musicLoad, &bellLoad}) {
        if (!load->sample.valid()) continue;
        const std::future_status status = load->sample.wait_for(std::chrono::seconds(0));
        if (status == std::future_status::timeout) return false;
        if (status == std::future_status::deferred) {
            if (!vdl::EmbeddedReady(load->file, false)) return false;
            if (!DecodeSlice(*load, kDecodeSliceMs)) return false;
        }
    }
    return true;
}

void LoadImagesAndFonts() {
    BeginLoadingImages();
    LoadFonts();
    FinishLoadingImages();
}

// NOTE: the loaders read the image layer's defaults (the flags, the centring, the mask colour)
// and nothing else of the engine's state changes while they run: they are set here, before the
// loaders start, and only FinishLoadingImages, after they end, goes on with the images.
void BeginLoadingImages() {
    vdl::SetAutoCenterAnchor(true);
    vdl::SetImageMaskColor(255, 255, 0);
    RegisterWaitForLoaders();
    imageLoad.next = 0;
    imageLoad.loaders.clear();
    for (int i = 0; i < kImageLoaders; ++i)
        imageLoad.loaders.push_back(std::async(kDecodeLaunch, &LoadImagesInTurn));
}

void LoadFonts() {
    font32 = Required(vdl::OpenImageFont(kFontUrl, 32, vdl::SMOOTHFONT), "santbsb_.ttf");
    vdl::YieldIfBusy();
    font28 = Required(vdl::OpenImageFont(kFontUrl, 28, vdl::SMOOTHFONT), "santbsb_.ttf");
    vdl::YieldIfBusy();
    font24 = Required(vdl::OpenImageFont(kFontUrl, 24, vdl::SMOOTHFONT), "santbsb_.ttf");
    // The fonts keep their own copy of the file.
    vdl::ReleaseEmbeddedPages("santbsb_.ttf");
}

void FinishLoadingImages() {
    if (imageLoad.loaders.empty()) return;
    // Deferred loaders (a page's) would decode every image in one go at their first get().
    if (kDecodeLaunch == std::launch::deferred) {
        for (int i = imageLoad.next++; i < kImageCount; i = imageLoad.next++) {
            LoadImageOfTable(i);
            vdl::YieldIfBusy();
        }
    }
    for (std::future<void>& loader : imageLoad.loaders)
        loader.get();
    imageLoad.loaders.clear();
    // In table order, so the first image that does not load is the one named.
    for (int i = 0; i < kImageCount; ++i) {
        if (imageLoad.error[i]) {
            const std::exception_ptr error = imageLoad.error[i];
            for (std::exception_ptr& e : imageLoad.error)
                e = nullptr;
            std::rethrow_exception(error);
        }
        if (imageLoad.late[i]) continue;
        images.*kImageTable[i].slot = Required(imageLoad.loaded[i], kImageTable[i].file);
        imageLoad.loaded[i] = nullptr;
        vdl::ReleaseEmbeddedPages(kImageTable[i].file);
        AnchorIfPicture(kImageTable[i].slot);
    }
    // Their textures too, which their first frames would make: several in one frame is a
    // long step of the page's.
    if (kDecodeLaunch == std::launch::deferred) {
        for (const ImageEntry& entry : kImageTable) {
            const vdl::ImageRef& image = images.*entry.slot;
            if (!image) continue;
            for (int frame = 0; frame < static_cast<int>(image->frames.size()); ++frame)
                image->Frame(frame);
            vdl::YieldIfBusy();
        }
    }
}

void LoadImageOnFirstUse(vdl::ImageRef GameImages::*slot) {
    if (images.*slot) return;
    for (const ImageEntry& entry : kImageTable) {
        if (entry.slot != slot) continue;
        vdl::EmbeddedReady(entry.file, true);
        images.*slot = Required(
            vdl::LoadImageFrom(std::string("incbin::") + entry.file, entry.flags), entry.file);
        vdl::ReleaseEmbeddedPages(entry.file);
        AnchorIfPicture(slot);
    }
}

void FinishLoadingSounds() {
    if (!musicLoad.sample.valid()) return;
    for (const SoundLoad* load : {&musicLoad, &bellLoad})
        vdl::EmbeddedReady(load->file, true);
    musicSound = Required(vdl::LoadSoundFrom(musicLoad.sample.get(), 0), musicLoad.file);
    bellSound = Required(vdl::LoadSoundFrom(bellLoad.sample.get(), 0), bellLoad.file);
    musicChannel = vdl::NewChannel();
    vdl::ReleaseEmbeddedPages(musicLoad.file);
    vdl::ReleaseEmbeddedPages(bellLoad.file);
}

void LoadGameResources() {
    BeginLoadingSounds();
    LoadImagesAndFonts();
    FinishLoadingSounds();
}

void CreateWorld() {
    bulletList = vdl::CreateList();
    particleList = vdl::CreateList();
    snowballList = vdl::CreateList();
    enemyList = vdl::CreateList();
    buttonList = vdl::CreateList();
    presentList = vdl::CreateList();
    messageList = vdl::CreateList();
    levelNumber = 1;
    soundOn = kSoundOff;
}

void GameFrame() {
    // Aiming by direction (a gamepad's stick) aims from where the player stands.
    vdl::SetPointerAnchor(vdl::TruncToInt(player->x), vdl::TruncToInt(player->y));
    vdl::SetDrawColor(255, 255, 255);
    player->Update();
    Tport::DrawAll();
    Tbullet::UpdateAll();
    TEnemy::UpdateAll();
    Tparticle::UpdateAll();
    TPresent::UpdateAll();
    TMessage::UpdateAll();
    DrawHud();
    // The aiming cross, centred on the pointer, over everything.
    vdl::DrawImageFrame(images.target, static_cast<float>(vdl::PointerX()),
                        static_cast<float>(vdl::PointerY()), 0);
    vdl::SetDrawColor(255, 255, 255);
}

}  // namespace game
