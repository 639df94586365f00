# Sourced by scripts/test-windows --viewer: starts the portable folder's
# zelkam.exe under Wine in Xvfb and checks what a user sees first: the
# window at its size on the sample logs, playing at ">", Find, a second start
# that leaves one window, a folder argument that leaves the registry alone,
# the registry setting read back by a start without one, and a folder
# argument with non-ASCII letters.
#
# Uses the caller's wine, wineserver, work folder and fail(). Screenshots go
# to build-windows-gui/ (screenshot-windows.png is the one README shows).
#
# The checks compare screen regions before and after an action (the clock,
# the player list): they prove that something happened, the screenshots
# show what.

wine_viewer_region() { # screenshot x y width height -> checksum of that region
    convert "$1" -crop "$4x$5+$2+$3" +repage rgb:- | md5sum | cut -c1-32
}

wine_viewer_window() { # title pattern [seconds] -> the window id, or nothing
    local pattern=$1 tries=$((${2:-60} * 2)) id
    while ((tries-- > 0)); do
        id=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -n 1 || true)
        if [ -n "$id" ]; then
            echo "$id"
            return
        fi
        sleep 0.5
    done
}

wine_viewer_stop() {
    "$wineserver" -k 2>/dev/null || true
    "$wineserver" -w 2>/dev/null || true
}

check_viewer_under_wine() { # portable folder
    local folder=$1
    local shots=build-windows-gui display=${ZELKAM_WINE_DISPLAY-}
    local exe=$folder/zelkam.exe samples

    # Without a display named, Xvfb takes the first free one: a display
    # number fixed here was sometimes still held by an earlier run's server.
    # The number an earlier check's server wrote must not be read for this
    # one's (the installed program's check follows the zip's).
    rm -f "$work/xvfb-display"
    if [ -n "$display" ]; then
        Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    else
        Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/xvfb-display" >/dev/null 2>&1 &
    fi
    local xvfb=$!
    if [ -z "$display" ]; then
        local waited=40
        until [ -s "$work/xvfb-display" ] || ((--waited == 0)); do sleep 0.25; done
        display=:$(head -n 1 "$work/xvfb-display")
    fi
    local saved_display=${DISPLAY-}
    export DISPLAY=$display
    local tries=40
    until xdotool getdisplaygeometry >/dev/null 2>&1 || ((--tries == 0)); do sleep 0.25; done
    # A Wine session begun without a display (the tests before, or winepath)
    # gives every later program a desktop without one, and no window shows:
    # this check starts a session of its own, with the display.
    wine_viewer_stop
    samples=$(winepath -w "$folder/samples/logs")
    # The widget tests before may have left a setting behind; the first
    # start finds none.
    "$wine" reg delete 'HKCU\Software\Zelkam' /f >/dev/null 2>&1 || true

    # First start, on the samples given as the argument. The setting store
    # does not exist yet in this fresh Wine prefix: the start creates it.
    # Not this shell's job: its end by wine_viewer_stop's kill would be
    # reported ("Killed") in the middle of the check's output.
    "$wine" "$exe" "$samples" >"$work/viewer-1.log" 2>&1 &
    disown $!
    local window
    window=$(wine_viewer_window "^Zelkam v")
    if [ -z "$window" ]; then
        fail "zelkam.exe under Wine: no window within a minute"
        tr -d '\r' <"$work/viewer-1.log" | tail -n 20 >&2
        echo "  windows shown on $DISPLAY:" \
            "$(xdotool search --onlyvisible --name . 2>/dev/null | while read -r id; do xdotool getwindowname "$id"; done | paste -sd'|')" >&2
        wine_viewer_stop
        kill "$xvfb" 2>/dev/null || true
        return
    fi
    sleep 8 # the day loads in the background
    if [ -n "$(wine_viewer_window "Couldn't find any logs" 1)" ]; then
        fail "zelkam.exe under Wine: the samples given as its argument did not open"
    fi
    local geometry x y size
    geometry=$(xdotool getwindowgeometry "$window")
    size=$(sed -nE 's/.*Geometry: ([0-9]+x[0-9]+).*/\1/p' <<<"$geometry")
    x=$(sed -nE 's/.*Position: ([0-9]+),([0-9]+).*/\1/p' <<<"$geometry")
    y=$(sed -nE 's/.*Position: ([0-9]+),([0-9]+).*/\2/p' <<<"$geometry")
    echo "window $window: $size at $x,$y"
    [ "$size" = 500x580 ] || fail "zelkam.exe under Wine: window $size, not 500x580"
    import -window root "$shots/wine-opened.png"
    # What the window shows at the start: the date, the map, the player list
    # and the clock.
    wine_viewer_state() { # screenshot x y
        { wine_viewer_region "$1" $(($2 + 16)) $(($3 + 16)) 468 372
          wine_viewer_region "$1" $(($2 + 16)) $(($3 + 532)) 64 24; } | md5sum | cut -c1-32
    }
    local opened clock
    opened=$(wine_viewer_state "$shots/wine-opened.png" "$x" "$y")
    clock=$(wine_viewer_region "$shots/wine-opened.png" $((x + 16)) $((y + 532)) 64 24)

    # ">" (the third playback button), then five seconds of play.
    xdotool mousemove $((x + 122)) $((y + 504)) click 1
    sleep 5
    import -window root "$shots/wine-playing.png"
    local played
    played=$(wine_viewer_region "$shots/wine-playing.png" $((x + 16)) $((y + 532)) 64 24)
    if [ "$played" = "$clock" ]; then
        fail "zelkam.exe under Wine: the clock did not move after a click on >"
    else
        echo "played: the clock moved after a click on >"
    fi
    # ">>>" for ten seconds (ten minutes of the evening: the teams fill),
    # "||", then Find (Ctrl+F) for a player's name: Find Next moves the clock.
    xdotool mousemove $((x + 202)) $((y + 504)) click 1
    sleep 10
    xdotool mousemove $((x + 82)) $((y + 504)) click 1
    sleep 1
    import -window root "$shots/wine-paused.png"
    clock=$(wine_viewer_region "$shots/wine-paused.png" $((x + 16)) $((y + 532)) 64 24)
    xdotool key ctrl+f
    local find
    find=$(wine_viewer_window "^Find$" 20)
    if [ -z "$find" ]; then
        fail "zelkam.exe under Wine: Ctrl+F opened no Find dialog"
    else
        # Without a window manager a new window is not given the keyboard:
        # a click into "Find what" does.
        xdotool mousemove --window "$find" 180 23 click 1
        sleep 0.5
        xdotool type --delay 50 Nitro
        xdotool key Return
        sleep 3
        import -window root "$shots/wine-found.png"
        local found
        found=$(wine_viewer_region "$shots/wine-found.png" $((x + 16)) $((y + 532)) 64 24)
        if [ "$found" = "$clock" ]; then
            fail "zelkam.exe under Wine: Find Next did not move the clock"
        else
            echo "found: Find Next moved the clock"
        fi
        xdotool key Escape
        sleep 1
    fi
    # README's picture: the window as it stood paused, before Find opened
    # over it.
    convert "$shots/wine-paused.png" -crop "500x580+$x+$y" +repage docs/screenshot-windows.png

    # A second start hands over to the first and ends; one window remains.
    if timeout 60 "$wine" "$exe" "$samples" >"$work/viewer-2.log" 2>&1; then
        sleep 2
        local windows
        windows=$(xdotool search --onlyvisible --name "^Zelkam v" | wc -l)
        if [ "$windows" -eq 1 ]; then
            echo "single instance: the second start ended, one window remains" \
                "($( [ "$(xdotool getwindowfocus 2>/dev/null)" = "$window" ] && echo "it has the keyboard focus" ||
                    echo "the keyboard focus is elsewhere"))"
        else
            fail "zelkam.exe under Wine: $windows main windows after a second start"
        fi
    else
        fail "zelkam.exe under Wine: the second start did not end"
    fi

    # A folder given as the argument is for that run only: the first start
    # leaves the registry as it found it. A start without an argument reads
    # the folder stored there.
    local stored
    stored=$("$wine" reg query 'HKCU\Software\Zelkam' /v 'Log Directory' 2>/dev/null | tr -d '\r' | grep -a 'Log Directory' || true)
    echo "registry after the first start: ${stored:-nothing}"
    [ -z "$stored" ] || fail "zelkam.exe under Wine: a start given a folder stored it: $stored"
    wine_viewer_stop
    "$wine" reg add 'HKCU\Software\Zelkam' /v 'Log Directory' /t REG_SZ /d "$samples" /f >/dev/null 2>&1
    wine_viewer_reopens() { # label [argument] -> fails unless the samples open as at the first start
        local label=$1
        shift
        "$wine" "$exe" "$@" >"$work/viewer-$label.log" 2>&1 &
        disown $!
        window=$(wine_viewer_window "^Zelkam v")
        sleep 8
        import -window root "$shots/wine-$label.png"
        geometry=$(xdotool getwindowgeometry "$window" 2>/dev/null || true)
        x=$(sed -nE 's/.*Position: ([0-9]+),([0-9]+).*/\1/p' <<<"$geometry")
        y=$(sed -nE 's/.*Position: ([0-9]+),([0-9]+).*/\2/p' <<<"$geometry")
        if [ -z "$window" ] || [ -n "$(wine_viewer_window "Couldn't find any logs" 1)" ] ||
            [ "$(wine_viewer_state "$shots/wine-$label.png" "$x" "$y")" != "$opened" ]; then
            fail "zelkam.exe under Wine: $label did not open the samples"
        else
            echo "$label: the samples opened as at the first start"
        fi
        wine_viewer_stop
    }
    wine_viewer_reopens registry
    # A folder argument with letters no ANSI code page holds all of.
    local unusual="$work/Logs René Кириллица 日本"
    mkdir -p "$unusual"
    cp "$folder"/samples/logs/* "$unusual/"
    wine_viewer_reopens non-ascii "$(winepath -w "$unusual")"

    kill "$xvfb" 2>/dev/null || true
    wait "$xvfb" 2>/dev/null || true
    if [ -n "$saved_display" ]; then export DISPLAY=$saved_display; else unset DISPLAY; fi
}
