-- wrk script: POSTs one command text to jobgate, read from the file named by
-- JOBGATE_COMMAND_FILE (it holds bytes 03, so it does not go on a command line). wrk itself
-- counts answers other than 2xx and 3xx, which the benchmark reports.
local name = assert(os.getenv("JOBGATE_COMMAND_FILE"), "JOBGATE_COMMAND_FILE is not set")
local file = assert(io.open(name, "rb"))
wrk.method = "POST"
wrk.body = file:read("*a")
wrk.headers["Content-Type"] = "text/plain"
file:close()
