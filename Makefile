# The two commands: `make run` opens the wizard, `make test` runs every test.
# Both install what is missing first (scripts/setup.sh).
.PHONY: all build run test clean

all: build

build:
	@scripts/build.sh >/dev/null

run:
	@scripts/run.sh

test:
	@dir=$$(scripts/build.sh) && scripts/wine-run.sh --init && \
		ctest --test-dir "$$dir" --output-on-failure --timeout 600

clean:
	rm -rf build
