-- Integers (64-bit: helper calls on x86), floats and their formatting, strings and patterns,
-- tables, closures, coroutines, errors, utf8 and the string packer.
local big = 5000000000
print(big * 3, big // 7, big % 7, -big // 7, -big % 7, math.maxinteger // -3, 7 // 0.0)
print(1e15, 2^63, 1/3, 2.25, string.format("%.1f %5.3g %e %q", 2.25, 1e15, 12345.678, 1/3))
print(math.tointeger(2^53), 3 | 5, 6 & 3, 1 << 62, -1 >> 60, ~0, math.ult(1, -1))
local words = {}
for w in ("the quick brown fox jumps over the lazy dog"):gmatch("%a+") do
  words[#words + 1] = w:upper()
end
table.sort(words)
print(table.concat(words, ","), #words, ("x"):rep(3, "-"), ("hello"):find("l+"))
print(string.format("%5d|%-5s|%05.1f|%x|%X|%o", 42, "ab", 3.14159, 255, 3054, 8))
local function fib(n) if n < 2 then return n end return fib(n - 1) + fib(n - 2) end
local co = coroutine.wrap(function() for i = 1, 3 do coroutine.yield(fib(i * 8)) end end)
print(co(), co(), co())
print(pcall(error, {code = 42}), select(2, pcall(error, "boom", 0)))
print(utf8.char(72, 228, 8364, 128512), utf8.len("häll€"), #utf8.char(128512))
print(string.unpack("<i8", string.pack("<i8", -big)), ("%g"):format(0.1 + 0.2))
local t = setmetatable({}, {__index = function(_, k) return k * 2 end})
print(t[21], rawget(t, 21), next({}), type(nil), tostring(1e100), math.type(1), math.type(1.0))
local sum = 0
for i = 1, 200000 do sum = sum + i * i % 1000003 end
print(sum, math.floor(-3.5), math.ceil(-3.5), math.fmod(-7, 3), math.abs(math.mininteger))
