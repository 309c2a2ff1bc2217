-- The window of the benchmarks: 1024x768, no vsync, no sound; LOVE_WINDOW
-- ("WxH") sets another size (the game's own first window, for the start) and
-- LOVE_AUDIO=1 starts the audio module, as the game and the engine shell open
-- their sound device: the start and the memory are then compared like with like.
function love.conf(t)
    t.window.title = "sprites"
    t.window.width = 1024
    t.window.height = 768
    local w, h = (os.getenv("LOVE_WINDOW") or ""):match("^(%d+)x(%d+)$")
    if w then
        t.window.width = tonumber(w)
        t.window.height = tonumber(h)
    end
    t.window.vsync = 0
    t.modules.audio = os.getenv("LOVE_AUDIO") == "1"
    t.modules.sound = false
    t.modules.joystick = false
    t.modules.physics = false
end
