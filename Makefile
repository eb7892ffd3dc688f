# The two commands of this project. Both install what is missing first.
.PHONY: run test
# make run: the 64-bit build; make run BITS=32: the 32-bit one.
BITS ?= 64
run:
	@tools/run.sh $(BITS)
test:
	@tools/test.sh
