# The two commands: `make run` opens the wizard, `make test` runs every test.
# Both install what is missing first (scripts/setup.sh). `make bench` prints
# figures: speed, memory and size.
.PHONY: all build run test bench clean

all: build

build:
	@scripts/build.sh >/dev/null

run:
	@scripts/run.sh

test:
	@scripts/test.sh

bench:
	@scripts/bench.sh

clean:
	rm -rf build
