// The autopilot: plays the game like a person with perfect eyes.
//
// It reads the game's globals at every flip and acts only through input events: outside play
// it clicks Start and dismisses every screen; in play it picks a target, leads it with the
// pointer, holds the left button, and moves with W/A/S/D along whichever of a few candidate
// paths its short look-ahead finds safest (enemy bullets and bodies predicted frame by frame,
// snowballs stopping bullets), drifting toward presents and away from walls and crowds.
// It keeps no time or randomness of its own, so a seed and the game decide every move.
#pragma once

#include <unordered_map>
#include <vector>

#include "runtime/object.h"
#include "sim/runner.h"

namespace sim {

struct Scene;

class Autopilot : public InputSource {
public:
    void OnFlip(int frame, std::vector<InputEvent>& events) override;

    // Frames of play seen (those in which a frame of play ran since the previous flip).
    int playFrames() const { return playFrames_; }

private:
    struct Seen {
        vdl::ObjectRef held;
        float x, y;
    };
    void Menu(std::vector<InputEvent>& events);
    // In play: observe, choose a target, plan the move and walk it, aim and fire.
    void Play(std::vector<InputEvent>& events);
    // What the flip shows: the player, snowballs, enemies (with their velocities since the
    // last flip), enemy bullets, the nearest present.
    void Observe(Scene& scene);
    // Leads the target from where the move takes the player, and holds the button; without a
    // target, points away and lets go.
    void AimAndFire(const Scene& scene, int dx, int dy, std::vector<InputEvent>& events);
    void SetKey(int key, bool down, std::vector<InputEvent>& events);
    void SetButton(bool down, std::vector<InputEvent>& events);
    void PointAt(int x, int y, std::vector<InputEvent>& events);

    int lastSpin_ = -1000;
    int pointerX_ = 0, pointerY_ = 0;
    int playFrames_ = 0;
    std::unordered_map<const void*, Seen> lastSeen_;
};

}  // namespace sim
