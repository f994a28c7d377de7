# Stand-in for the IMU demo tool in tests: prints the lines of DEMO_LINES
# (separated by "|"), writes its process id to DEMO_PID_FILE, and then ends,
# or with DEMO_THEN=wait stays silent until it is ended, or with
# DEMO_THEN=repeat prints the last line every 20 ms until it is ended.
import os
import sys
import time

with open(os.environ["DEMO_PID_FILE"], "w") as f:
    f.write(str(os.getpid()))
for line in os.environ.get("DEMO_LINES", "").split("|"):
    sys.stdout.write(line + "\n")
sys.stdout.flush()
if os.environ.get("DEMO_THEN") == "wait":
    time.sleep(600)
while os.environ.get("DEMO_THEN") == "repeat":
    time.sleep(0.02)
    sys.stdout.write(line + "\n")
    sys.stdout.flush()
