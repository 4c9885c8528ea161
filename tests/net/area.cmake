# The tests that start servers share fixed loopback addresses: those of one
# group never run at the same time.
vantor_test_props(net REGEX "^HttpServers\\." LOCKS net_127_0_0_21_to_24)
vantor_test_props(net REGEX "^HttpStall\\." LOCKS net_127_0_0_29_30)
vantor_test_props(net REGEX "^HttpBounds\\." LOCKS net_127_0_0_91_92_95)
vantor_test_props(net REGEX "^HttpLookup\\." LOCKS net_127_0_0_161_to_163)
