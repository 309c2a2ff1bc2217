-- 10,000 alpha-blended 32x32 sprites drawn every frame with love.graphics.draw,
-- the same scene as bench_sprites' BM_SpritesFrame. Prints the mean frame
-- time (clear, draw, present) over the measured frames, then quits.
-- With LOVE_PS_COUNT set, the scene is instead one ParticleSystem of that many
-- live particles of the same picture, updated by 1/60 s and drawn every frame:
-- the scene of bench_particles' BM_ParticlesFrame.
local COUNT = 10000
local PS_COUNT = tonumber(os.getenv("LOVE_PS_COUNT") or "")
local WARMUP = 30
local FRAMES = tonumber(os.getenv("LOVE_BENCH_FRAMES") or "") or 500

-- A soft disc: opaque in the middle, fading to transparent at the rim.
local function makeImage()
    local data = love.image.newImageData(32, 32)
    data:mapPixel(function(x, y)
        local d = math.sqrt((x - 15.5) ^ 2 + (y - 15.5) ^ 2) / 16
        local a = d >= 1 and 0 or (1 - d * d)
        return x * 8 / 255, 128 / 255, y * 8 / 255, a
    end)
    return love.graphics.newImage(data)
end

local function quit(code)
    return function() return code end
end

-- Particles over the window that live for the whole run, drifting up to half a
-- pixel and turning up to 2 degrees per frame (60 frames a second).
local function makeParticles(image, count)
    local ps = love.graphics.newParticleSystem(image, math.max(count, 1))
    ps:setParticleLifetime(1e7)
    ps:setEmitterLifetime(-1)
    ps:setEmissionRate(0)
    ps:setEmissionArea("uniform", 496, 368)
    ps:setSpread(2 * math.pi)
    ps:setSpeed(0, 30)
    ps:setRotation(-math.pi, math.pi)
    ps:setSpin(-2 * math.pi / 3, 2 * math.pi / 3)
    if count > 0 then ps:emit(count) end
    ps:update(1 / 60)
    return ps
end

-- One frame's scene: the sprites, or the particle system stepped and drawn.
local function drawScene(image, ps, xs, ys)
    if ps then
        ps:update(1 / 60)
        love.graphics.draw(ps, 512, 384)
        return
    end
    for i = 1, COUNT do
        love.graphics.draw(image, xs[i], ys[i], 0, 1, 1, 16, 16)
    end
end

-- An error ends the run with a line instead of waiting on LOVE's error screen.
function love.errorhandler(message)
    print("love_error " .. tostring(message))
end

-- Other scenes, chosen by LOVE_MODE: "text", "start", "pictures".
local scenes = {}

-- A Text object laid out again (300 characters wrapped at 400 px, DejaVu Serif
-- at 20 px) and drawn, LOVE_TEXT_CALLS times per frame.
function scenes.text()
    local file = assert(io.open(os.getenv("LOVE_FONT") or "DejaVuSerif.ttf", "rb"))
    local font = love.graphics.newFont(love.filesystem.newFileData(file:read("*a"), "font.ttf"), 20)
    file:close()
    local text = love.graphics.newText(font)
    local paragraph = os.getenv("LOVE_TEXT") or "text"
    local calls = tonumber(os.getenv("LOVE_TEXT_CALLS") or "") or 20
    local frames, start = 0, 0
    for frame = 1, WARMUP + FRAMES do
        if frame == WARMUP + 1 then start = love.timer.getTime() end
        love.event.pump()
        love.graphics.clear(0, 0, 0, 1)
        for _ = 1, calls do
            text:setf(paragraph, 400, "left")
            love.graphics.draw(text, 10, 10)
        end
        love.graphics.present()
        if frame > WARMUP then frames = frames + 1 end
    end
    local elapsed = love.timer.getTime() - start
    print(string.format("love_text_us %.3f", elapsed * 1e6 / (frames * calls)))
    return quit(0)
end

-- The first frame of an empty window, then quit: the whole process is timed outside.
function scenes.start()
    love.event.pump()
    love.graphics.clear(0, 0, 0, 1)
    love.graphics.present()
    return quit(0)
end

-- Every PNG under LOVE_PICTURES drawn each frame for LOVE_BENCH_FRAMES frames:
-- peak memory is measured outside.
function scenes.pictures()
    local images = {}
    local list = io.popen("find '" .. (os.getenv("LOVE_PICTURES") or ".") .. "' -name '*.png' | sort")
    for path in list:lines() do
        local file = io.open(path, "rb")
        local bytes = file and file:read("*a")
        if file then file:close() end
        local ok, image = pcall(function()
            return love.graphics.newImage(love.filesystem.newFileData(bytes, "picture.png"))
        end)
        if ok then images[#images + 1] = image end
    end
    list:close()
    for _ = 1, FRAMES do
        love.event.pump()
        love.graphics.clear(0, 0, 0, 1)
        for i, image in ipairs(images) do
            love.graphics.draw(image, (i * 37) % 1024, (i * 53) % 768)
        end
        love.graphics.present()
    end
    print(string.format("love_pictures %d", #images))
    return quit(0)
end

function love.run()
    local mode = os.getenv("LOVE_MODE")
    if mode and scenes[mode] then return scenes[mode]() end
    local image = makeImage()
    love.math.setRandomSeed(12345)
    local xs, ys = {}, {}
    for i = 1, COUNT do
        xs[i] = 16 + love.math.random() * (1024 - 32)
        ys[i] = 16 + love.math.random() * (768 - 32)
    end
    local ps = PS_COUNT and makeParticles(image, PS_COUNT)
    local start, cpuStart, drawcalls = 0, 0, 0
    for frame = 1, WARMUP + FRAMES do
        if frame == WARMUP + 1 then
            start = love.timer.getTime()
            cpuStart = os.clock() -- processor time of every thread of the process
        end
        love.event.pump()
        for name in love.event.poll() do
            if name == "quit" then return quit(1) end
        end
        love.graphics.origin()
        love.graphics.clear(0, 0, 0, 1)
        drawScene(image, ps, xs, ys)
        drawcalls = love.graphics.getStats().drawcalls
        love.graphics.present()
    end
    local elapsed = love.timer.getTime() - start
    print(string.format("love_frame_ms %.3f", elapsed * 1000 / FRAMES))
    print(string.format("love_cpu_ms %.3f", (os.clock() - cpuStart) * 1000 / FRAMES))
    print(string.format("love_draw_calls_per_frame %d", drawcalls))
    return quit(0)
end
