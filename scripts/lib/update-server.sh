# Starting and stopping the update server (scripts/serve: lighttpd with jobgate) on a free
# loopback port, for scripts that source this file.
#
#   update_server_start ROOT JOBGATE LOG [--tls] [--fastcgi]
#                                          (options of scripts/serve; TLS_CERT, TLS_KEY and
#                                          TLS_PROTOCOL reach it from the environment)
#                                          sets UPDATE_SERVER (127.0.0.1:PORT, with --tls
#                                          https://127.0.0.1:PORT), UPDATE_SERVER_PID and
#                                          UPDATE_SERVER_LOGS (the folder of lighttpd's
#                                          access and error logs; with --tls also its
#                                          certificate cert.pem)
#   update_server_stop                     stops it and everything it started
#   update_server_sign ROOT PRODUCT JOBGATE [OPTIONS...]
#                                          signs ROOT/PRODUCT with the development key the
#                                          builds trust (build/dev-key/), using the
#                                          jobgate-sign beside JOBGATE, with further options
#                                          of its sign command; prints its line

UPDATE_SERVER=""
UPDATE_SERVER_PID=""
UPDATE_SERVER_LOGS=""

_update_server_answers() {
  (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

update_server_start() {
  local root=$1 jobgate=$2 log=$3
  shift 3
  local options=("$@") serve scheme=""
  case " $* " in *" --tls "*) scheme="https://" ;; esac
  serve="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/serve"
  local attempt port pid waited
  for attempt in 1 2 3 4 5; do
    # A port nobody answers on a moment ago; if another program takes it first, our
    # lighttpd cannot bind and ends, and the next attempt picks another port.
    port=$((20000 + (RANDOM * 32768 + RANDOM) % 40000))
    _update_server_answers "$port" && continue
    # Its own process group, so that stopping reaches lighttpd and its CGI children.
    setsid "$serve" "${options[@]}" "$root" "127.0.0.1:$port" "$jobgate" >"$log" 2>&1 </dev/null &
    pid=$!
    for waited in $(seq 100); do
      kill -0 "$pid" 2>/dev/null || break
      if _update_server_answers "$port"; then
        UPDATE_SERVER="${scheme}127.0.0.1:$port"
        UPDATE_SERVER_PID=$pid
        UPDATE_SERVER_LOGS=$(sed -n 's/.*(logs in \(.*\))$/\1/p' "$log" | head -n 1)
        return 0
      fi
      sleep 0.1
    done
    # Under set -e too: a server that ended by itself has no group left to stop.
    kill -KILL -- "-$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  echo "update server: could not start scripts/serve for $root (see $log)" >&2
  return 1
}

update_server_stop() {
  [ -n "$UPDATE_SERVER_PID" ] || return 0
  local pid=$UPDATE_SERVER_PID waited
  UPDATE_SERVER_PID=""
  kill -TERM "$pid" 2>/dev/null || true
  for waited in $(seq 50); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -KILL -- "-$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  return 0
}

update_server_sign() {
  local root=$1 product=$2 jobgate=$3
  shift 3
  local key
  key="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/build/dev-key/private.pem"
  "$(dirname "$jobgate")/jobgate-sign" sign --key "$key" "$@" "$root" "$product"
}
