local s = string.rep("a", 200000)
local i = string.find(s, ".-.-.-b")
