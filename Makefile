# The two commands: `make run` opens the wizard, `make test` runs every test.
# Both install what is missing first (scripts/setup.sh). `make bench` prints
# figures: speed, memory and size. `make dist` packages the program for users.
.PHONY: all build run test bench dist clean

all: build

build:
	@scripts/build.sh >/dev/null

run:
	@scripts/run.sh

test:
	@scripts/test.sh

bench:
	@scripts/bench.sh

dist:
	@scripts/dist.sh

clean:
	rm -rf build
