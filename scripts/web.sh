#!/usr/bin/env bash
# Builds the web page: the engine in WebAssembly (Emscripten) and the page around it, one
# self-contained build/web/index.html that works opened from disk and from any static server.
#   scripts/web.sh [OUTPUT_FOLDER]
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:-$top/build/web}"
work="$top/build/web-engine"
command -v emcmake >/dev/null || { echo "web.sh: emcmake not found: scripts/setup.sh installs emscripten" >&2; exit 1; }
# Emscripten's own tools find their Node modules there when the machine's node is not Debian's.
export NODE_PATH="${NODE_PATH:+$NODE_PATH:}/usr/share/nodejs"
# Emscripten keeps its system libraries in a cache; one the user can write, built once.
export EM_CACHE="${EM_CACHE:-$top/build/emscripten-cache}"
if [ ! -d "$EM_CACHE" ] && [ -d /usr/share/emscripten/cache ]; then
  mkdir -p "$EM_CACHE" && cp -r /usr/share/emscripten/cache/. "$EM_CACHE/"
fi
emcmake cmake -S "$top/web" -B "$work" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$work" -j "$(nproc)"
mkdir -p "$out"
python3 - "$top/web" "$work/engine.js" "$out/index.html" <<'PY'
import sys, pathlib
web, engine, target = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2]), pathlib.Path(sys.argv[3])
def script(text):
    # Inside a script element nothing may close it.
    return text.replace("</script", "<\\/script")
page = (web / "index.html").read_text(encoding="utf-8")
for mark, text in (("/*@PAGE_CSS@*/", (web / "page.css").read_text(encoding="utf-8")),
                   ("/*@ENGINE_JS@*/", script(engine.read_text(encoding="utf-8"))),
                   ("/*@WORKER_JS@*/", script((web / "worker.js").read_text(encoding="utf-8"))),
                   ("/*@PAGE_JS@*/", script((web / "page.js").read_text(encoding="utf-8")))):
    assert page.count(mark) == 1, mark
    page = page.replace(mark, text)
target.write_text(page, encoding="utf-8")
print(f"{target}: {len(page.encode()):,} bytes")
PY
