-- LOVE 11's side of bench/table.py, one scene per run, chosen by LOVE_MODE:
--  (none)     10,000 alpha-blended 32x32 sprites drawn every frame with
--             love.graphics.draw, the scene of bench_sprites' BM_SpritesFrame;
--             with LOVE_PS_COUNT set, one ParticleSystem of that many live
--             particles of the same picture, updated by 1/60 s and drawn every
--             frame: the scene of bench_particles' BM_ParticlesFrame;
--  "text"     LOVE_TEXT_COUNT Text objects of LOVE_TEXT wrapped at 400 px, set
--             again every frame (LOVE_TEXT and LOVE_TEXT_B in turn) when
--             LOVE_TEXT_CHANGED is 1, else set once; bench_text_frame's scene;
--  "pictures" the PNG and JPEG files of LOVE_PICTURES (":" between paths)
--             decoded, uploaded and drawn in the first frame, which is
--             presented; then quit (the process is timed and measured outside);
--             with none, the first frame of an empty window.
-- Frame scenes print SAMPLES lines "love_frame_ms <mean>", each the mean frame
-- (clear, scene, present) over at least LOVE_SAMPLE_SECONDS, after a warm-up.
local COUNT = 10000
local PS_COUNT = tonumber(os.getenv("LOVE_PS_COUNT") or "")
local WARMUP = 30
local SAMPLES = tonumber(os.getenv("LOVE_SAMPLES") or "") or 8
local SAMPLE_SECONDS = tonumber(os.getenv("LOVE_SAMPLE_SECONDS") or "") or 0.2

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

-- An error ends the run with a line instead of waiting on LOVE's error screen.
function love.errorhandler(message)
    print("love_error " .. tostring(message))
end

-- Frames of `draw` (given the frame's number) between a clear and a present,
-- until SAMPLES samples are printed; false when the window was closed.
local function measure(draw)
    local frame, drawcalls = 0, 0
    local function one()
        frame = frame + 1
        love.event.pump()
        for name in love.event.poll() do
            if name == "quit" then return false end
        end
        love.graphics.origin()
        love.graphics.clear(0, 0, 0, 1)
        draw(frame)
        drawcalls = love.graphics.getStats().drawcalls
        love.graphics.present()
        return true
    end
    for _ = 1, WARMUP do
        if not one() then return false end
    end
    for _ = 1, SAMPLES do
        local start, cpuStart, frames = love.timer.getTime(), os.clock(), 0
        repeat
            if not one() then return false end
            frames = frames + 1
        until love.timer.getTime() - start >= SAMPLE_SECONDS
        local elapsed = love.timer.getTime() - start
        print(string.format("love_frame_ms %.4f", elapsed * 1000 / frames))
        -- Processor time of every thread of the process.
        print(string.format("love_cpu_ms %.4f", (os.clock() - cpuStart) * 1000 / frames))
    end
    print(string.format("love_draw_calls_per_frame %d", drawcalls))
    return true
end

local function readFile(path)
    local file = assert(io.open(path, "rb"))
    local bytes = file:read("*a")
    file:close()
    return love.filesystem.newFileData(bytes, path:match("[^/]*$"))
end

local scenes = {}

function scenes.text()
    local font = love.graphics.newFont(readFile(os.getenv("LOVE_FONT") or "DejaVuSerif.ttf"), 20)
    local paragraphs = {os.getenv("LOVE_TEXT") or "text", os.getenv("LOVE_TEXT_B") or "text"}
    local changed = os.getenv("LOVE_TEXT_CHANGED") == "1"
    local texts = {}
    for i = 1, tonumber(os.getenv("LOVE_TEXT_COUNT") or "") or 20 do
        texts[i] = love.graphics.newText(font)
        texts[i]:setf(paragraphs[1], 400, "left")
    end
    local ok = measure(function(frame)
        for i, text in ipairs(texts) do
            if changed then text:setf(paragraphs[frame % 2 + 1], 400, "left") end
            love.graphics.draw(text, 10 + (i - 1) % 2 * 500, 60 + math.floor((i - 1) / 2) * 70)
        end
    end)
    return quit(ok and 0 or 1)
end

function scenes.pictures()
    local images = {}
    for path in (os.getenv("LOVE_PICTURES") or ""):gmatch("[^:]+") do
        images[#images + 1] = love.graphics.newImage(readFile(path))
    end
    love.event.pump()
    love.graphics.clear(0, 0, 0, 1)
    for i, image in ipairs(images) do
        love.graphics.draw(image, (i * 37) % 1024, (i * 53) % 768)
    end
    love.graphics.present()
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
    local ok = measure(function()
        if ps then
            ps:update(1 / 60)
            love.graphics.draw(ps, 512, 384)
            return
        end
        for i = 1, COUNT do
            love.graphics.draw(image, xs[i], ys[i], 0, 1, 1, 16, 16)
        end
    end)
    return quit(ok and 0 or 1)
end
