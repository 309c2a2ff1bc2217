-- The window of the sprite benchmark: 1024x768, no vsync, no sound.
-- The start scene opens the window at LOVE_WINDOW ("WxH", the size the game's
-- own first window has) and starts the audio module when LOVE_AUDIO is 1, as a
-- game does: the start is then compared like with like.
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
