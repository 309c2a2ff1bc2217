-- The window of the sprite benchmark: 1024x768, no vsync, no sound.
function love.conf(t)
    t.window.title = "sprites"
    t.window.width = 1024
    t.window.height = 768
    t.window.vsync = 0
    t.modules.audio = false
    t.modules.sound = false
    t.modules.joystick = false
    t.modules.physics = false
end
