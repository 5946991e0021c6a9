# Puts one deliberate fault into a source file, or says why it cannot:
#   FAULT_FUNCTION=NAME FAULT_TEXT=TEXT FAULT_REPLACEMENT=TEXT awk -f apply.awk FILE > MUTATED
# (from the environment, where awk takes backslashes as they stand). NAME is the function whose body holds the text (a definition that begins at the start of a
# line, "name(", up to the next line that is "}"), or "-" for the whole file. The text, its
# "¶" standing for a line break, must occur exactly once there; the file is printed with that
# occurrence replaced. Exit status 0; 2 when the function is not found or is defined more than
# once; 3 when the text does not occur there exactly once.
function isIdentifier(c) {
    return c ~ /[A-Za-z0-9_]/
}
{ lines[NR] = $0 }
END {
    fn = ENVIRON["FAULT_FUNCTION"]
    text = ENVIRON["FAULT_TEXT"]
    replacement = ENVIRON["FAULT_REPLACEMENT"]
    first = 1
    last = NR
    if (fn != "-") {
        first = 0
        for (i = 1; i <= NR; ++i) {
            line = lines[i]
            at = index(line, fn "(")
            if (line !~ /^[A-Za-z_]/ || at == 0 || line ~ /;[ \t]*$/)
                continue
            if (at > 1 && isIdentifier(substr(line, at - 1, 1)))
                continue
            if (first != 0) {
                print "function " fn " is defined more than once" > "/dev/stderr"
                exit 2
            }
            first = i
            for (last = i + 1; last <= NR && lines[last] != "}"; ++last)
                ;
        }
        if (first == 0) {
            print "no function " fn > "/dev/stderr"
            exit 2
        }
    }
    body = lines[first]
    for (i = first + 1; i <= last; ++i)
        body = body "\n" lines[i]
    gsub(/¶/, "\n", text)
    gsub(/¶/, "\n", replacement)
    at = index(body, text)
    if (at == 0 || index(substr(body, at + length(text)), text) != 0) {
        print "the text is not in " fn " exactly once" > "/dev/stderr"
        exit 3
    }
    for (i = 1; i < first; ++i)
        print lines[i]
    printf "%s", substr(body, 1, at - 1) replacement substr(body, at + length(text))
    print ""
    for (i = last + 1; i <= NR; ++i)
        print lines[i]
}
