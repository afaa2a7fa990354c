# Sourced by the window benchmarks: the views run without a display, and median reads numbers
# (one a line) from standard input and prints their median.
export QT_QPA_PLATFORM=offscreen
export QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:---no-sandbox --disable-gpu}"
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
