int quilletStub() { return 0; }
