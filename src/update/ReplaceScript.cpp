#include "update/ReplaceScript.h"

#include "platform/linux/FolderExchange.h"

namespace {

// Only renames or exchanges until the new copy has proved itself, so a failure at any step leaves a
// working copy at the target. Deletes nothing but the aside copy, the staging folder and
// the package. The log is created for the user alone, and never written through a link.
// Under dash a failed exec ends the script, hence the "command" in front.
const std::string waitForOldProcess =
    R"SH(LOG="$1" PID="$2" TARGET="$3" STAGED="$4" STAGEDIR="$5" PKG="$6" ROUNDS="$7" EXEC="$8" OLDEXEC="$9"
MASK=$(umask)
umask 077
if [ -L "$LOG" ]; then exec >/dev/null 2>&1; else command exec >>"$LOG" 2>&1 || exec >/dev/null 2>&1; fi
umask "$MASK"
stamp() { /bin/date '+%F %T'; }
startQuietly() { "$1" </dev/null >/dev/null 2>&1 & }
reopenOld() {
  /bin/rm -rf -- "$STAGEDIR"
  startQuietly "$TARGET/$OLDEXEC"
  echo "[$(stamp)] 已恢复旧版本并重新打开"
  exit 1
}
echo "[$(stamp)] 等旧进程 $PID 退出…"
i=0
while [ "$i" -lt "$ROUNDS" ] && kill -0 "$PID" 2>/dev/null; do
  /bin/sleep 0.3
  i=$((i + 1))
done
if kill -0 "$PID" 2>/dev/null; then
  TENTHS=$((ROUNDS * 3))
  WAITED=$((TENTHS / 10))
  [ $((TENTHS % 10)) -eq 0 ] || WAITED="$WAITED.$((TENTHS % 10))"
  echo "旧进程 ${WAITED}s 没退出，放弃替换（安装包留在原处）"
  exit 1
fi
echo "替换 $TARGET"
)SH";

// Between these two renames the target is missing: where the folders cannot be exchanged.
const std::string placeByRenames =
    R"SH(if ! ASIDE=$(/bin/mktemp -d "$TARGET.old-XXXXXX"); then
  echo "无法在旁边留出旧版本的位置"
  reopenOld
fi
if ! /bin/mv -T -- "$TARGET" "$ASIDE"; then
  /bin/rmdir -- "$ASIDE"
  echo "无法移开旧版本"
  reopenOld
fi
if ! /bin/mv -T -- "$STAGED" "$TARGET"; then
  echo "无法放入新版本"
  /bin/mv -T -- "$ASIDE" "$TARGET" || { echo "旧版本留在 $ASIDE"; exit 1; }
  reopenOld
fi
)SH";

// Starts the new copy; when it does not keep running, the restoring part follows.
const std::string startNewCopy =
    R"SH(echo "已替换，重启"
startQuietly "$TARGET/$EXEC"
NEWPID=$!
# A child that has exited still answers kill -0 until it is waited for: wait for it,
# cut short by a timer after 1 s. The trap stays set, so a late timer cannot end the script.
alive=
trap 'alive=1' USR1
( /bin/sleep 1; kill -USR1 "$$" ) &
TIMER=$!
wait "$NEWPID"
status=$?
if [ -n "$alive" ] && kill -0 "$NEWPID" 2>/dev/null; then
  status=0
else
  kill "$TIMER" 2>/dev/null
fi
if [ "$status" -ne 0 ]; then
  echo "新版本没能启动（$status），恢复旧版本"
)SH";

const std::string restoreByRenames =
    R"SH(  if ! /bin/mv -T -- "$TARGET" "$STAGED"; then
    echo "新版本留在 $TARGET，旧版本留在 $ASIDE"
    exit 1
  fi
  /bin/mv -T -- "$ASIDE" "$TARGET" || { echo "旧版本留在 $ASIDE"; exit 1; }
  reopenOld
)SH";

const std::string cleanUp =
    R"SH(fi
/bin/rm -f -- "$PKG"
# The old copy may hold folders its owner cannot write; chmod never follows links here.
/bin/chmod -R u+rwx -- "$ASIDE"
if ! /bin/rm -rf -- "$ASIDE" "$STAGEDIR"; then
  echo "[$(stamp)] 已替换，但旧版本没能删除：$ASIDE"
  exit 1
fi
echo "[$(stamp)] 完成")SH";

// The old copy's executable, the one that wrote the script, swaps the folders in one step
// both ways, so the target always holds a whole bundle. Only its status 3 (the filesystem
// cannot exchange) lets the renames run.
const std::string placeByExchange =
    R"SH(EXCHANGED=
"$TARGET/$OLDEXEC" )SH" +
    std::string(linuxdesktop::exchangeFoldersArgument) + R"SH( "$STAGED" "$TARGET" </dev/null
case $? in
0) EXCHANGED=1 ASIDE=$STAGED ;;
3) echo "这里不能对调文件夹，改为两次改名"; placeOldAsideAndNewIn ;;
*) echo "无法放入新版本"; reopenOld ;;
esac
)SH";

const std::string restoreByExchange =
    R"SH(  if [ -n "$EXCHANGED" ]; then
    "$STAGED/$OLDEXEC" )SH" +
    std::string(linuxdesktop::exchangeFoldersArgument) + R"SH( "$TARGET" "$STAGED" </dev/null ||
      { echo "新版本留在 $TARGET，旧版本留在 $STAGED"; exit 1; }
    reopenOld
  fi
  putOldBack
)SH";

const std::string renamingScript = waitForOldProcess + placeByRenames + startNewCopy + restoreByRenames + cleanUp;

const std::string exchangingScript = waitForOldProcess + "placeOldAsideAndNewIn() {\n" + placeByRenames + "}\n" +
                                     "putOldBack() {\n" + restoreByRenames + "}\n" + placeByExchange + startNewCopy +
                                     restoreByExchange + cleanUp;

}  // namespace

const char* const replaceScriptShell = "/bin/sh";

std::vector<std::string> replaceScriptArguments(const ReplaceJob& job)
{
    return {"-c",
            job.exchangeFolders ? exchangingScript : renamingScript,
            "glimra-update",
            job.log,
            job.pid,
            job.target,
            job.staged,
            job.stageDir,
            job.package,
            std::to_string(job.rounds),
            job.executable,
            job.oldExecutable};
}
