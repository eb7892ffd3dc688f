# The two commands of this project. Both install what is missing first.
.PHONY: run test
run:
	@tools/run.sh
test:
	@tools/test.sh
