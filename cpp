/usr/share/doc/g++ -
