# Writes COUNT generated profiles, each a directory DIR/NNN holding a data
# file p.dat and the console input that names it and answers the pause.
# The kinds take turns: a smooth peak, noise, very large values, very small
# values, an alternating profile, and irregular tables (unsorted, negative,
# short, a positive first time, more pairs than the table holds).
# Deterministic for a given SEED:
#   awk -v SEED=11 -v COUNT=300 -v DIR=out -f generate.awk
function value(x, kind) {
  if (kind % 3 == 0) return sprintf("%.7g", x)
  if (kind % 3 == 1) return sprintf("%.9e", x)
  return sprintf("%.4f", x)
}
function rnd(lo, hi) { return lo + (hi - lo) * rand() }
BEGIN {
  srand(SEED)
  for (p = 0; p < COUNT; p++) {
    dir = sprintf("%s/%03d", DIR, p)
    system("mkdir -p " dir)
    file = dir "/p.dat"
    kind = p % 6
    n = int(rnd(2, 300))
    t = (rand() < 0.3) ? rnd(-5, 5) : 0
    dt = 10 ^ rnd(-2, 1)
    scale = 10 ^ rnd(-3, 3)
    if (kind == 2) scale = 10 ^ rnd(30, 38.5)
    if (kind == 3) scale = 10 ^ rnd(-45, -30)
    if (kind == 5 && rand() < 0.1) n = 2001
    two_columns = rand() < 0.5
    for (i = 0; i < n; i++) {
      x = (i - n / 2) / (n / 6 + 1)
      if (kind == 0 || kind == 2 || kind == 3) c = scale * exp(-x * x / 2) * (kind == 0 ? 1 : rnd(0.5, 1.5))
      else if (kind == 1) c = scale * rand()
      else if (kind == 4) c = scale * ((i % 2) ? -1 : 1)
      else c = scale * rnd(-1, 1)
      tt = (kind == 5 && rand() < 0.05) ? rnd(-10, 10) : t
      line = value(tt, i + p) (two_columns ? " " : "\n") value(c, i + kind)
      print line > file
      t += dt * ((kind == 1 || kind == 5) ? rnd(0.1, 2) : 1)
    }
    close(file)
    printf "p.dat\n\n" > (dir "/stdin")
    close(dir "/stdin")
  }
}
